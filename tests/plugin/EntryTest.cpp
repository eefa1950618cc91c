// Glowmarsh.so as a host sees it: the entry points and the record's entries.
// The record's field values and offsets are checked byte by byte in
// tests/target/RecordBytesTest.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "tests/plugin/LoadedGlowmarsh.h"

namespace {

using testhost::RecordingHost;
using EntryTest = LoadedGlowmarsh;

TEST_F(EntryTest, OneVersionQueryWithNullArgumentsAndOnlyAnAnswerOfZeroRefuses) {
    for (VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-1}, VstIntPtr{2400}}) {
        RecordingHost::reset(testhost::always(answer));
        AEffect* e = create();
        EXPECT_EQ(e != nullptr, answer != 0) << "version " << answer;
        ASSERT_EQ(RecordingHost::calls.size(), 1u) << "version " << answer;
        const testhost::HostCall& c = RecordingHost::calls[0];
        EXPECT_EQ(std::make_tuple(c.effect, c.opcode, c.index, c.value, c.ptr, c.opt),
                  std::make_tuple(nullptr, 1, 0, 0, nullptr, 0.0f));
        if (e != nullptr) {
            EXPECT_EQ(objectOf(e)->getAeffect(), e);
            EXPECT_EQ(dispatch(e, 1), 1) << "close through the record";
        }
    }
}

TEST_F(EntryTest, MainMachoGivesTheSameRecordButItsOwnObject) {
    auto machoEntry = reinterpret_cast<vsthost::EntryProc>(library->symbol("main_macho"));
    ASSERT_NE(machoEntry, nullptr);
    AEffect* a = create();
    AEffect* b = machoEntry(RecordingHost::callback);
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_NE(a->object, b->object);
    AEffect copy = *b;
    copy.object = a->object;
    EXPECT_EQ(std::memcmp(&copy, a, sizeof copy), 0);
    dispatch(a, 1);
    dispatch(b, 1);
}

TEST_F(EntryTest, InstancesAreIndependentAndAccumulatingProcessTouchesNothing) {
    AEffect* a = create();
    AEffect* b = create();
    ASSERT_TRUE(a != nullptr && b != nullptr);
    a->setParameter(a, 2, 0.75f);
    EXPECT_EQ(a->getParameter(a, 2), 0.75f);
    EXPECT_EQ(b->getParameter(b, 2), 0.2f);
    std::vector<float> in(64, 0.5f), outL(64, 3.0f), outR(64, 4.0f);
    float* inputs[] = {in.data(), in.data()};
    float* outputs[] = {outL.data(), outR.data()};
    a->process(a, inputs, outputs, 64);
    EXPECT_EQ(outL, std::vector<float>(64, 3.0f));
    EXPECT_EQ(outR, std::vector<float>(64, 4.0f));
    dispatch(a, 1);
    dispatch(b, 1);
}

}  // namespace
