// Glowmarsh.so as a host sees it: entry points, the record, the six entries.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/plugin/LoadedGlowmarsh.h"

namespace {

using testhost::RecordingHost;

class EntryTest : public LoadedGlowmarsh {
protected:
    static void answerVersion(VstIntPtr version) { RecordingHost::reset(testhost::always(version)); }
    static auto& calls() { return RecordingHost::calls; }
};

TEST_F(EntryTest, HostAnsweringZeroToVersionGetsNothingAfterExactlyOneCall) {
    answerVersion(0);
    EXPECT_EQ(library->create(RecordingHost::callback), nullptr);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].effect, nullptr);
    EXPECT_EQ(calls()[0].opcode, 1);
    EXPECT_EQ(calls()[0].index, 0);
    EXPECT_EQ(calls()[0].value, 0);
    EXPECT_EQ(calls()[0].ptr, nullptr);
    EXPECT_EQ(calls()[0].opt, 0.0f);
}

TEST_F(EntryTest, AnyNonZeroVersionIsAccepted) {
    for (VstIntPtr answer : {VstIntPtr{1}, VstIntPtr{-1}, VstIntPtr{2400}}) {
        answerVersion(answer);
        AEffect* e = create();
        ASSERT_NE(e, nullptr) << answer;
        EXPECT_EQ(close(e), 1);
    }
}

TEST_F(EntryTest, RecordHoldsGlowmarshValues) {
    AEffect* e = create();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 0);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x1030);
    EXPECT_EQ(e->reserved1, 0);
    EXPECT_EQ(e->reserved2, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realtimeQualities, 0);
    EXPECT_EQ(e->offlineQualities, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, 0x676C6F77);
    EXPECT_EQ(e->version, 1);
    for (const void* entry : {reinterpret_cast<const void*>(e->dispatcher), reinterpret_cast<const void*>(e->process),
                              reinterpret_cast<const void*>(e->setParameter),
                              reinterpret_cast<const void*>(e->getParameter),
                              reinterpret_cast<const void*>(e->processReplacing),
                              reinterpret_cast<const void*>(e->processDoubleReplacing)}) {
        EXPECT_NE(entry, nullptr);
    }
    const char zeros[sizeof e->future] = {};
    EXPECT_EQ(std::memcmp(e->future, zeros, sizeof zeros), 0);
    // Creating an instance asks the host for its version and nothing else.
    EXPECT_EQ(calls().size(), 1u);
    EXPECT_EQ(objectOf(e)->getAeffect(), e);
    EXPECT_EQ(close(e), 1);
}

TEST_F(EntryTest, MainMachoGivesTheSameRecordButItsOwnObject) {
    auto machoEntry = reinterpret_cast<vsthost::EntryProc>(library->symbol("main_macho"));
    ASSERT_NE(machoEntry, nullptr);
    AEffect* a = create();
    AEffect* b = machoEntry(RecordingHost::callback);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->object, b->object);
    AEffect copy = *b;
    copy.object = a->object;
    EXPECT_EQ(std::memcmp(&copy, a, sizeof copy), 0);
    close(a);
    close(b);
}

TEST_F(EntryTest, InstancesHaveIndependentParameters) {
    AEffect* a = create();
    AEffect* b = create();
    a->setParameter(a, 2, 0.75f);
    EXPECT_EQ(a->getParameter(a, 2), 0.75f);
    EXPECT_EQ(b->getParameter(b, 2), 0.2f);
    close(a);
    close(b);
}

TEST_F(EntryTest, AccumulatingProcessLeavesOutputsUntouched) {
    AEffect* e = create();
    std::vector<float> inL(64, 0.5f), inR(64, -0.5f), outL(64, 3.0f), outR(64, 4.0f);
    float* in[] = {inL.data(), inR.data()};
    float* out[] = {outL.data(), outR.data()};
    e->process(e, in, out, 64);
    EXPECT_EQ(outL, std::vector<float>(64, 3.0f));
    EXPECT_EQ(outR, std::vector<float>(64, 4.0f));
    close(e);
}

}  // namespace
