// The value-to-text helpers with any value, any sample rate and any buffer
// length a caller may pass, and the parameter display built on them: never a
// byte beyond index maxLen, always a terminated text of at most maxLen
// characters with zeros after it, made of digits, a sign and a point, or a
// prefix of one of the fixed texts.
#include <memory>
#include <string>

#include "fuzz/FuzzHost.h"

namespace {

void checkText(const char* text, VstInt32 maxLen) {
    const std::string written(text, strnlen(text, static_cast<std::size_t>(maxLen)));
    for (VstInt32 i = static_cast<VstInt32>(written.size()); i <= maxLen; ++i) FUZZ_CHECK(text[i] == 0);
    FUZZ_CHECK(std::string("Huge!").starts_with(written) || std::string("-oo").starts_with(written) ||
               written.find_first_not_of("-.0123456789") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzhost::Instance effect;
    FuzzedDataProvider in(data, size);
    const int which = in.ConsumeIntegralInRange<int>(0, 4);
    const VstInt32 maxLen = in.ConsumeBool() ? 8 : in.ConsumeIntegralInRange<VstInt32>(1, 80);
    const float value = fuzzhost::floatFrom(in);
    effect.dispatch(10, 0, 0, nullptr, fuzzhost::floatFrom(in));  // the sample rate Hz2string and ms2string use
    std::unique_ptr<char[]> text(new char[maxLen + 1]);  // exactly maxLen + 1 bytes: a write past them is caught
    std::memset(text.get(), 0x55, maxLen + 1);
    AudioEffectX& object = effect.object();
    switch (which) {
        case 0: object.float2string(value, text.get(), maxLen); break;
        case 1: object.int2string(std::bit_cast<VstInt32>(value), text.get(), maxLen); break;
        case 2: object.dB2string(value, text.get(), maxLen); break;
        case 3: object.Hz2string(value, text.get(), maxLen); break;
        case 4: object.ms2string(value, text.get(), maxLen); break;
    }
    checkText(text.get(), maxLen);
    const VstInt32 index = in.ConsumeIntegralInRange<VstInt32>(0, 2);
    effect.effect->setParameter(effect.effect, index, value);
    std::unique_ptr<char[]> display(new char[9]);
    effect.dispatch(7, index, 0, display.get());
    checkText(display.get(), 8);
    return 0;
}
