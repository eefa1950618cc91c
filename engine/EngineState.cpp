#include "engine/EngineState.h"

namespace glowmarsh {

// Placeholder: the initial tables land with the engine.
EngineState::EngineState() : tapBuffer{}, primeTable{}, tapOffset{}, tapPanL{}, tapPanR{}, wetHistoryL{}, wetHistoryR{}, smoothCoeff{} {}

}  // namespace glowmarsh
