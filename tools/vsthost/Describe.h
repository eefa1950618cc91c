// Words for the numbers a host reads from a plug-in: flag bits and the
// plug-in category.
#pragma once

#include <string>
#include <vector>

#include "host/AEffect.h"

namespace vsthost {

// The names of the set bits of AEffect::flags, lowest bit first; unknown bits
// appear as hexadecimal values.
std::vector<std::string> flagNames(VstInt32 flags);

// The category answered to opcode 35, in words ("effect", "synth", ...).
std::string categoryName(VstIntPtr category);

// A four-character code as text when all four are printable ('glow'), else
// as hexadecimal.
std::string fourCharText(VstInt32 code);

}  // namespace vsthost
