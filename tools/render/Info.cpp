#include "tools/render/Info.h"

#include <iomanip>
#include <sstream>
#include <string>

#include "tools/vsthost/Describe.h"
#include "tools/vsthost/Plugin.h"

namespace render {
namespace {

// Capabilities hosts commonly ask a plug-in about, and Glowmarsh's own
// channel-layout answer.
constexpr const char* kCapabilities[] = {
    "sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo",
    "offline", "midiProgramNames", "bypass", "plugAsChannelInsert", "plugAsSend", "mixDryWet", "noRealTime",
    "multipass", "metapass", "1in1out", "1in2out", "2in1out", "2in2out", "x2in2out", "2in4out", "4in4out",
    "8in8out"};

std::string answerText(VstIntPtr answer) {
    switch (answer) {
        case 1: return "yes";
        case -1: return "no";
        case 0: return "does not know";
        default: return "answers " + std::to_string(answer);
    }
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : ", ") + word;
    }
    return text.empty() ? "none" : text;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string hex(VstInt32 value) {
    std::ostringstream text;
    text << "0x" << std::uppercase << std::hex << static_cast<std::uint32_t>(value);
    return text.str();
}

}  // namespace

void printInfo(vsthost::Plugin& plugin, std::int64_t defaultTailFrames, std::ostream& out) {
    auto row = [&out](const char* label, const std::string& value) {
        out << std::left << std::setw(14) << label << value << '\n';
    };
    const VstIntPtr category = plugin.plugCategory();
    row("Plug-in", plugin.modulePath());
    row("Effect name", quoted(plugin.effectName()));
    row("Vendor", quoted(plugin.vendorString()));
    row("Product", quoted(plugin.productString()));
    row("Versions", "vendor " + std::to_string(plugin.vendorVersion()) + ", plug-in " +
                        std::to_string(plugin.version()) + ", VST " + std::to_string(plugin.vstVersion()));
    row("Category", vsthost::categoryName(category) + " (" + std::to_string(category) + ")");
    row("Unique id", vsthost::fourCharText(plugin.uniqueId()) + " = " + hex(plugin.uniqueId()));
    row("Channels", std::to_string(plugin.numInputs()) + " in, " + std::to_string(plugin.numOutputs()) + " out");
    row("Flags", joined(vsthost::flagNames(plugin.flags())) + " (" + hex(plugin.flags()) + ")");
    row("Latency", std::to_string(plugin.initialDelayFrames()) + " frames");
    row("Tail", std::to_string(plugin.tailSizeFrames()) + " frames reported; renders add " +
                    std::to_string(defaultTailFrames) + " by default");
    row("Programs", std::to_string(plugin.numPrograms()) + ", current name " + quoted(plugin.programName()));
    row("Parameters", std::to_string(plugin.numParams()));
    // Texts are quoted so that padding and empty texts show; the widths leave
    // room for the usual eight characters.
    auto parameterRow = [&out](const std::string& index, const std::string& name, const std::string& display,
                               const std::string& label, const std::string& value) {
        out << "  " << std::left << std::setw(7) << index << std::setw(13) << name << std::setw(12) << display
            << std::setw(12) << label << value << '\n';
    };
    parameterRow("index", "name", "display", "label", "value");
    for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
        std::ostringstream value;
        value << std::setprecision(9) << plugin.parameter(i);
        parameterRow(std::to_string(i), quoted(plugin.parameterName(i)), quoted(plugin.parameterDisplay(i)),
                     quoted(plugin.parameterLabel(i)), value.str());
    }
    out << "canDo\n";
    for (const char* capability : kCapabilities) {
        out << "  " << std::left << std::setw(22) << capability << answerText(plugin.canDo(capability)) << '\n';
    }
}

}  // namespace render
