// Nothing unwinds into the host: every record entry and the entry point turn
// a failure into a plain answer. This binary supplies its own factory, so the
// entry point's failure paths can be driven.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "host/Opcodes.h"
#include "tests/host/BareEffect.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect* main_macho(audioMasterCallback audioMaster);

namespace {

using testhost::RecordingHost;

enum class Factory { Makes, GivesNull, ThrowsBadAlloc, ThrowsOther };
Factory factory = Factory::Makes;
int factoryCalls = 0;
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

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback) {
    ++factoryCalls;
    switch (factory) {
        case Factory::Makes: return new Throwing;
        case Factory::GivesNull: return nullptr;
        case Factory::ThrowsBadAlloc: throw std::bad_alloc();
        case Factory::ThrowsOther: throw std::runtime_error("constructor");
    }
    return nullptr;
}

namespace {

TEST(Boundary, EntryPointAnswersNullOnEveryFailure) {
    const struct {
        const char* what;
        audioMasterCallback host;
        VstIntPtr version;
        Factory factory;
        int factoryCalls;
    } rows[] = {
        {"host without a version", RecordingHost::callback, 0, Factory::Makes, 0},
        {"no host callback at all", nullptr, 0, Factory::Makes, 0},
        {"factory gives nothing", RecordingHost::callback, 1, Factory::GivesNull, 1},
        {"no memory", RecordingHost::callback, 1, Factory::ThrowsBadAlloc, 1},
        {"constructor fails", RecordingHost::callback, 1, Factory::ThrowsOther, 1},
    };
    for (auto entry : {VSTPluginMain, main_macho}) {
        for (const auto& row : rows) {
            RecordingHost::reset(testhost::always(row.version));
            factory = row.factory;
            factoryCalls = 0;
            EXPECT_EQ(entry(row.host), nullptr) << row.what;
            EXPECT_EQ(factoryCalls, row.factoryCalls) << row.what;
        }
    }
    factory = Factory::Makes;
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
