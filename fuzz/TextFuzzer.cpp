// The value-to-text helpers with any value, any sample rate and any buffer
// length a caller may pass: never a byte beyond index maxLen, always a
// terminated text of at most maxLen characters with zeros after it, made of
// digits, a sign and a point, or one of the fixed texts.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/FuzzHost.h"
#include "host/TextFormat.h"

namespace {

constexpr unsigned char kFill = 0xA5;

void checkText(const unsigned char* text, VstInt32 maxLen, bool number) {
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(maxLen) && text[length] != 0) {
        ++length;
    }
    for (VstInt32 i = static_cast<VstInt32>(length); i <= maxLen; ++i) {
        FUZZ_CHECK(text[i] == 0);
    }
    const std::string written(reinterpret_cast<const char*>(text), length);
    if (std::string("Huge!").compare(0, length, written) == 0 || std::string("-oo").compare(0, length, written) == 0) {
        return;
    }
    FUZZ_CHECK(written.find_first_not_of(number ? "-.0123456789" : "") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static AEffect* effect = fuzzhost::createInstance();
    AudioEffectX* object = fuzzhost::object(effect);

    FuzzedDataProvider in(data, size);
    const int which = in.ConsumeIntegralInRange<int>(0, 6);
    const VstInt32 maxLen = in.ConsumeBool() ? 8 : in.ConsumeIntegralInRange<VstInt32>(1, 80);
    const float value = fuzzhost::floatFromBits(in.ConsumeIntegral<std::uint32_t>());
    const VstInt32 integer = in.ConsumeIntegral<VstInt32>();
    const float sampleRate = fuzzhost::floatFromBits(in.ConsumeIntegral<std::uint32_t>());

    // Exactly maxLen + 1 bytes: any write past the end is caught.
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[maxLen + 1]);
    std::memset(buffer.get(), kFill, maxLen + 1);
    char* text = reinterpret_cast<char*>(buffer.get());
    effect->dispatcher(effect, 10, 0, 0, nullptr, sampleRate);
    switch (which) {
        case 0: formatFloat(value, text, maxLen); break;
        case 1: formatInt(integer, text, maxLen); break;
        case 2: object->float2string(value, text, maxLen); break;
        case 3: object->int2string(integer, text, maxLen); break;
        case 4: object->dB2string(value, text, maxLen); break;
        case 5: object->Hz2string(value, text, maxLen); break;
        case 6: object->ms2string(value, text, maxLen); break;
    }
    checkText(buffer.get(), maxLen, true);

    // The parameter display is the helpers' one caller in the effect.
    const VstInt32 index = in.ConsumeIntegralInRange<VstInt32>(-1, 3);
    effect->setParameter(effect, index, value);
    unsigned char display[9];
    std::memset(display, kFill, sizeof display);
    effect->dispatcher(effect, 7, index, 0, display, 0.0f);
    if (index >= 0 && index < 3) {
        checkText(display, 8, true);
    } else {
        for (unsigned char byte : display) {
            FUZZ_CHECK(byte == kFill);
        }
    }
    return 0;
}
