// Glowmarsh replaces exactly its own operations and appends none: every other
// slot of its table must be the base classes' operation.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "effect/Glowmarsh.h"
#include "tests/host/BareEffect.h"
#include "tests/host/SlotOf.h"

namespace {

void* const* tableOf(const void* object) {
    return *static_cast<void* const* const*>(object);
}

struct GlowmarshPlusOne : Glowmarsh {
    using Glowmarsh::Glowmarsh;
    virtual void probe() {}
};

TEST(GlowmarshSlots, OverridesExactlyItsOwnOperations) {
    const std::set<long> overridden = {
        0, 1,  // destructor, plain and deleting
        slotOf(&AudioEffect::processReplacing), slotOf(&AudioEffect::processDoubleReplacing),
        slotOf(&AudioEffect::setParameter), slotOf(&AudioEffect::getParameter),
        slotOf(&AudioEffect::setProgramName), slotOf(&AudioEffect::getProgramName),
        slotOf(&AudioEffect::getParameterLabel), slotOf(&AudioEffect::getParameterDisplay),
        slotOf(&AudioEffect::getParameterName), slotOf(&AudioEffect::getChunk), slotOf(&AudioEffect::setChunk),
        slotOf(&AudioEffectX::getEffectName), slotOf(&AudioEffectX::getVendorString),
        slotOf(&AudioEffectX::getProductString), slotOf(&AudioEffectX::getVendorVersion),
        slotOf(&AudioEffectX::canDo), slotOf(&AudioEffectX::getPlugCategory)};
    auto glowmarsh = std::make_unique<Glowmarsh>(nullptr);
    BareEffect bare(nullptr);
    // BareEffect replaces only the destructor and processReplacing, both in the set above.
    const long slots = slotOf(&AudioEffectX::getChunkFile) + 1;
    for (long i = 0; i < slots; ++i) {
        const bool differs = tableOf(glowmarsh.get())[i] != tableOf(&bare)[i];
        EXPECT_EQ(differs, overridden.count(i) == 1) << "slot " << i;
    }
}

TEST(GlowmarshSlots, AppendsNoOperation) {
    EXPECT_EQ(slotOf(&GlowmarshPlusOne::probe), slotOf(&AudioEffectX::getChunkFile) + 1);
}

}  // namespace
