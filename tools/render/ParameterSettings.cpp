#include "tools/render/ParameterSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "tools/render/RenderError.h"
#include "tools/vsthost/Plugin.h"

namespace render {
namespace {

// Names compare without regard to case or surrounding spaces, which some
// plug-ins pad their names with.
std::string normalised(const std::string& name) {
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    std::string trimmed = name.substr(first, name.find_last_not_of(' ') - first + 1);
    std::transform(trimmed.begin(), trimmed.end(), trimmed.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return trimmed;
}

bool isIndex(const std::string& target, VstInt32& index) {
    const char* end = target.data() + target.size();
    auto [stop, error] = std::from_chars(target.data(), end, index);
    return !target.empty() && error == std::errc() && stop == end;
}

VstInt32 resolve(vsthost::Plugin& plugin, const ParameterSetting& setting) {
    const VstInt32 count = plugin.numParams();
    VstInt32 index = -1;
    if (isIndex(setting.target, index)) {
        if (index < 0 || index >= count) {
            fail(ExitCode::usage, "--set " + setting.target + ": " +
                                      (count > 0 ? "the plug-in has parameters 0 to " + std::to_string(count - 1)
                                                 : std::string("the plug-in has no parameters")));
        }
        return index;
    }
    const std::string wanted = normalised(setting.target);
    std::string known;
    for (VstInt32 i = 0; i < count; ++i) {
        const std::string name = plugin.parameterName(i);
        if (normalised(name) == wanted) {
            return i;
        }
        known += (known.empty() ? "" : ", ") + name;
    }
    fail(ExitCode::usage, "--set " + setting.target + ": no parameter of that name (the plug-in has: " + known + ")");
}

}  // namespace

void applySettings(vsthost::Plugin& plugin, const std::vector<ParameterSetting>& settings) {
    for (const ParameterSetting& setting : settings) {
        plugin.setParameter(resolve(plugin, setting), setting.value);
    }
}

}  // namespace render
