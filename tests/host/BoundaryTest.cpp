// Nothing unwinds into the host: every record entry and the entry point turn
// a failure into a plain answer. This binary supplies its own factory, so the
// entry point's failure paths can be driven.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "host/Opcodes.h"
#include "tests/host/BareEffect.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect* main_macho(audioMasterCallback audioMaster);

namespace {

using testhost::RecordingHost;

int destroyed = 0;
bool closeThrows = true;

// Throws from every entry the host can reach.
class Throwing : public BareEffect {
public:
    Throwing() : BareEffect(RecordingHost::callback, 0, 1) {}
    ~Throwing() override { ++destroyed; }

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
        if (opcode != effectOpcode::close || closeThrows) {
            throw std::runtime_error("dispatcher");
        }
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }
    void setParameter(VstInt32, float) override { throw std::runtime_error("setParameter"); }
    float getParameter(VstInt32) override { throw 42; }
    void process(float**, float**, VstInt32) override { throw std::bad_alloc(); }
    void processReplacing(float**, float**, VstInt32) override { throw std::runtime_error("process"); }
    void processDoubleReplacing(double**, double**, VstInt32) override { throw "double"; }
};

std::function<AudioEffect*()> factory = [] { return new Throwing; };
int factoryCalls = 0;

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback) {
    ++factoryCalls;
    return factory();
}

namespace {

TEST(Boundary, EntryPointAnswersNullOnEveryFailure) {
    struct Row { const char* what; audioMasterCallback host; VstIntPtr version; AudioEffect* (*make)(); };
    const Row rows[] = {
        {"host without a version", RecordingHost::callback, 0, nullptr},
        {"no host callback at all", nullptr, 1, nullptr},
        {"factory gives nothing", RecordingHost::callback, 1, [] { return static_cast<AudioEffect*>(nullptr); }},
        {"no memory", RecordingHost::callback, 1, []() -> AudioEffect* { throw std::bad_alloc(); }},
        {"constructor fails", RecordingHost::callback, 1, []() -> AudioEffect* { throw std::runtime_error("no"); }},
    };
    const auto makes = factory;
    for (auto entry : {VSTPluginMain, main_macho}) {
        for (const Row& row : rows) {
            RecordingHost::reset(testhost::always(row.version));
            factory = row.make ? row.make : makes;
            factoryCalls = 0;
            EXPECT_EQ(entry(row.host), nullptr) << row.what;
            EXPECT_EQ(factoryCalls, row.make ? 1 : 0) << row.what;
        }
    }
    factory = makes;
}

TEST(Boundary, RecordEntriesSwallowWhatTheEffectThrowsAndCloseStillEndsTheInstance) {
    for (bool throwing : {true, false}) {
        RecordingHost::reset();
        AEffect* e = VSTPluginMain(RecordingHost::callback);
        ASSERT_NE(e, nullptr);
        float sample[4] = {1, 2, 3, 4};
        double wide[4] = {1, 2, 3, 4};
        float* f[] = {sample, sample};
        double* d[] = {wide, wide};
        EXPECT_EQ(e->dispatcher(e, effectOpcode::getVendorVersion, 0, 0, nullptr, 0.0f), 0);
        EXPECT_NO_THROW(e->setParameter(e, 0, 0.5f));
        EXPECT_EQ(e->getParameter(e, 0), 0.0f);
        EXPECT_NO_THROW(e->process(e, f, f, 4));
        EXPECT_NO_THROW(e->processReplacing(e, f, f, 4));
        EXPECT_NO_THROW(e->processDoubleReplacing(e, d, d, 4));
        closeThrows = throwing;
        destroyed = 0;
        EXPECT_EQ(e->dispatcher(e, effectOpcode::close, 0, 0, nullptr, 0.0f), 1) << "close throws: " << throwing;
        EXPECT_EQ(destroyed, 1) << "close throws: " << throwing;
    }
}

}  // namespace
