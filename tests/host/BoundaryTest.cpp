// Nothing unwinds into the host: every record entry and the entry point turn
// a failure into a plain answer. This binary supplies its own factory, so the
// entry point's failure paths can be driven.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "host/AudioEffectX.h"
#include "tests/support/RecordingHost.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect* main_macho(audioMasterCallback audioMaster);

namespace {

using testhost::RecordingHost;

int destroyed = 0;

// Throws from every entry the host can reach, close included.
struct Throwing : AudioEffectX {
    Throwing() : AudioEffectX(RecordingHost::callback, 0, 1) {}
    ~Throwing() override { ++destroyed; }
    VstIntPtr dispatcher(VstInt32, VstInt32, VstIntPtr, void*, float) override { throw std::runtime_error("x"); }
    void setParameter(VstInt32, float) override { throw std::runtime_error("setParameter"); }
    float getParameter(VstInt32) override { throw 42; }
    void process(float**, float**, VstInt32) override { throw std::bad_alloc(); }
    void processReplacing(float**, float**, VstInt32) override { throw std::runtime_error("process"); }
    void processDoubleReplacing(double**, double**, VstInt32) override { throw "double"; }
};

AudioEffect* (*factory)() = [] { return static_cast<AudioEffect*>(new Throwing); };
int factoryCalls = 0;

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback) {
    ++factoryCalls;
    return factory();
}

namespace {

TEST(Boundary, EntryPointAnswersNullOnEveryFailure) {
    struct Row { audioMasterCallback host; VstIntPtr version; AudioEffect* (*make)(); };
    const Row rows[] = {
        {RecordingHost::callback, 0, nullptr},  // a host without a version
        {nullptr, 1, nullptr},                  // no host callback at all
        {RecordingHost::callback, 1, [] { return static_cast<AudioEffect*>(nullptr); }},
        {RecordingHost::callback, 1, []() -> AudioEffect* { throw std::bad_alloc(); }},
        {RecordingHost::callback, 1, []() -> AudioEffect* { throw std::runtime_error("no"); }},
    };
    const auto makes = factory;
    for (auto entry : {VSTPluginMain, main_macho}) {
        for (std::size_t r = 0; r < std::size(rows); ++r) {
            RecordingHost::reset(testhost::always(rows[r].version));
            factory = rows[r].make ? rows[r].make : makes;
            factoryCalls = 0;
            EXPECT_EQ(entry(rows[r].host), nullptr) << "row " << r;
            EXPECT_EQ(factoryCalls, rows[r].make ? 1 : 0) << "row " << r;
        }
    }
    factory = makes;
}

TEST(Boundary, RecordEntriesSwallowWhatTheEffectThrowsAndCloseStillEndsTheInstance) {
    RecordingHost::reset();
    AEffect* e = VSTPluginMain(RecordingHost::callback);
    ASSERT_NE(e, nullptr);
    float sample[4] = {1, 2, 3, 4};
    double wide[4] = {1, 2, 3, 4};
    float* f[] = {sample, sample};
    double* d[] = {wide, wide};
    EXPECT_EQ(e->dispatcher(e, 49, 0, 0, nullptr, 0.0f), 0);
    EXPECT_NO_THROW(e->setParameter(e, 0, 0.5f));
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
    EXPECT_NO_THROW(e->process(e, f, f, 4));
    EXPECT_NO_THROW(e->processReplacing(e, f, f, 4));
    EXPECT_NO_THROW(e->processDoubleReplacing(e, d, d, 4));
    destroyed = 0;
    EXPECT_EQ(e->dispatcher(e, 1, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
