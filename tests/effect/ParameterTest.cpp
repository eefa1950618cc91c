// Glowmarsh's three parameters: values, names, labels and display texts, and
// what an index outside 0 to 2 does (nothing).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <memory>

#include "effect/Glowmarsh.h"
#include "host/BoundedText.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::GuardedText;
using testsupport::writeGuarded;

constexpr VstInt32 kTextLimit = 8;  // parameter texts: 8 characters and a zero
constexpr VstInt32 kBadIndexes[] = {-1, 3, 4, std::numeric_limits<VstInt32>::min(),
                                    std::numeric_limits<VstInt32>::max()};

std::unique_ptr<Glowmarsh> makeEffect() {
    return std::make_unique<Glowmarsh>(nullptr);
}

std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

TEST(Parameters, NamesFillAllNineBytes) {
    struct Row {
        VstInt32 index;
        const char* name;
    } rows[] = {{0, "Sustain"}, {1, "Grain"}, {2, "Dry/Wet"}};
    auto effect = makeEffect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GuardedText buffer(kTextLimit + 1);
        effect->getParameterName(row.index, buffer.data());
        EXPECT_EQ(buffer.text(), row.name);
        EXPECT_EQ(buffer.fault(), "");  // zeros after the name through byte 8, nothing beyond
        EXPECT_EQ(buffer.at(kTextLimit), 0);
    }
}

TEST(Parameters, LabelsAreNineZeroBytes) {
    auto effect = makeEffect();
    for (VstInt32 index = 0; index < Glowmarsh::kNumParams; ++index) {
        SCOPED_TRACE(index);
        GuardedText buffer(kTextLimit + 1);
        effect->getParameterLabel(index, buffer.data());
        for (std::size_t i = 0; i <= kTextLimit; ++i) {
            EXPECT_EQ(buffer.at(i), 0) << "byte " << i;
        }
        EXPECT_EQ(buffer.fault(), "");
    }
}

TEST(Parameters, DisplayTextsAreTruncatedFloatTexts) {
    struct Row {
        const char* meaning;
        VstInt32 index;
        bool setFirst;
        float value;
        const char* text;
    } rows[] = {
        {"default Sustain 1.0", 0, false, 0.0f, "1.000000"},
        {"default Grain 0.7 is truncated, not rounded", 1, false, 0.0f, "0.699999"},
        {"default Dry/Wet 0.2 held as 0.200000003", 2, false, 0.0f, "0.200000"},
        {"zero", 1, true, 0.0f, "0.000000"},
        {"one half", 2, true, 0.5f, "0.500000"},
        {"a value above the range is shown as stored", 0, true, 2.0f, "2.000000"},
        {"a negative value is shown as stored", 0, true, -0.25f, "-0.25000"},
        {"NaN shows the overflow text", 1, true, std::numeric_limits<float>::quiet_NaN(), "Huge!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = makeEffect();
        if (row.setFirst) {
            effect->setParameter(row.index, row.value);
        }
        const auto written =
            writeGuarded(kTextLimit, [&](char* text) { effect->getParameterDisplay(row.index, text); });
        EXPECT_EQ(written.text, row.text);
        EXPECT_EQ(written.fault, "");
    }
}

// A class derived from Glowmarsh that replaces float2string changes the display.
TEST(Parameters, DisplayGoesThroughTheVirtualFloat2string) {
    struct Derived : Glowmarsh {
        Derived() : Glowmarsh(nullptr) {}
        void float2string(float value, char* text, VstInt32 maxLen) override {
            boundedCopy(text, value == 0.7f ? "seven" : "other", maxLen);
        }
    };
    auto effect = std::make_unique<Derived>();
    const auto written = writeGuarded(kTextLimit, [&](char* text) { effect->getParameterDisplay(1, text); });
    EXPECT_EQ(written.text, "seven");
}

TEST(Parameters, ValuesAreStoredUnchanged) {
    const float values[] = {0.0f, -0.0f, 1.0f, 0.123456789f, 1.5f, -0.5f, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(), std::bit_cast<float>(0x7FC01234u)};
    auto effect = makeEffect();
    for (VstInt32 index = 0; index < Glowmarsh::kNumParams; ++index) {
        for (float value : values) {
            effect->setParameter(index, value);
            EXPECT_EQ(bitsOf(effect->getParameter(index)), bitsOf(value)) << "index " << index << ", value " << value;
        }
    }
}

// An index outside 0 to 2 touches no buffer and no value; getParameter answers 0.
TEST(Parameters, IndexesOutsideTheRangeChangeNothing) {
    auto effect = makeEffect();
    effect->setParameter(0, 0.1f);
    effect->setParameter(1, 0.2f);
    effect->setParameter(2, 0.3f);
    for (VstInt32 index : kBadIndexes) {
        SCOPED_TRACE(index);
        effect->setParameter(index, 0.9f);
        EXPECT_EQ(bitsOf(effect->getParameter(index)), bitsOf(0.0f));

        GuardedText name(kTextLimit + 1), label(kTextLimit + 1), display(kTextLimit + 1);
        effect->getParameterName(index, name.data());
        effect->getParameterLabel(index, label.data());
        effect->getParameterDisplay(index, display.data());
        EXPECT_TRUE(name.untouched());
        EXPECT_TRUE(label.untouched());
        EXPECT_TRUE(display.untouched());
    }
    EXPECT_EQ(effect->getParameter(0), 0.1f);
    EXPECT_EQ(effect->getParameter(1), 0.2f);
    EXPECT_EQ(effect->getParameter(2), 0.3f);
}

}  // namespace
