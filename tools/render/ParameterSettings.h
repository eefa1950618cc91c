// --set NAME=VALUE and --set INDEX=VALUE, resolved against the plug-in's own
// parameter names.
#pragma once

#include <vector>

#include "tools/render/Options.h"

namespace vsthost {
class Plugin;
}

namespace render {

// Applies the settings in order; throws RenderError(usage) for a name the
// plug-in does not have or an index beyond its parameters.
void applySettings(vsthost::Plugin& plugin, const std::vector<ParameterSetting>& settings);

}  // namespace render
