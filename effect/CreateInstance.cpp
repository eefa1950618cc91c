#include "effect/Glowmarsh.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new Glowmarsh(audioMaster);
}
