#include "core/connection/modem_probe.h"

#include <algorithm>
#include <array>

#include "core/connection/modem_dialogue.h"
#include "core/util/text.h"

namespace linkvane {

namespace {

// The lines before the final OK or ERROR, and whether that was OK.
std::pair<std::vector<std::string>, bool> AnswerText(const std::vector<std::string>& lines) {
    if (lines.empty())
        return {{}, false};
    const bool ended = EndsCommand(lines.back());
    const bool ok = ended && (EqualsIgnoreCase(lines.back(), "OK") || lines.back() == "0");
    return {{lines.begin(), ended ? lines.end() - 1 : lines.end()}, ok};
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : " ") + line;
    return text;
}

}  // namespace

std::vector<std::uint32_t> ProbeSpeeds(std::uint32_t entrySpeed) {
    std::vector<std::uint32_t> speeds;
    if (entrySpeed != 0)
        speeds.push_back(entrySpeed);
    for (const std::uint32_t speed : kProbeSpeeds) {
        if (speed != entrySpeed)
            speeds.push_back(speed);
    }
    return speeds;
}

std::string ModelFromAnswers(const std::vector<std::string>& info,
                             const std::vector<std::string>& gmm) {
    auto [model, modelOk] = AnswerText(gmm);
    if (modelOk && !model.empty()) {
        std::string text = Joined(model);
        if (StartsWithIgnoreCase(text, "+GMM:"))
            text.erase(0, text.find_first_not_of(' ', 5));
        if (!text.empty())
            return text;
    }
    return Joined(AnswerText(info).first);
}

bool IsModemManager(const PortHolder& holder) {
    return holder.command == "ModemManager";
}

std::string DescribeHolder(const PortHolder& holder) {
    std::string text = "process " + std::to_string(holder.pid);
    if (!holder.command.empty())
        text += " (" + holder.command + ")";
    return text;
}

std::string InUseText(std::string_view device, const PortHolder& holder, std::string_view how) {
    std::string text = "The modem " + std::string(device) + " is in use by process " +
                       std::to_string(holder.pid) + " (";
    if (!holder.command.empty())
        text += holder.command + "; ";
    text += std::string(how) + ").";
    if (IsModemManager(holder)) {
        text +=
            " ModemManager takes modems it finds; to make it leave this one alone, give the "
            "device the udev property ID_MM_DEVICE_IGNORE=1 (an example rule is " +
            std::string(kModemManagerRuleExample) + ") and plug the modem in again.";
    }
    return text;
}

std::string PermissionText(std::string_view device, std::string_view group) {
    const std::string name = group.empty() ? "dialout" : std::string(group);
    return "You may not open " + std::string(device) + ": it belongs to the group " + name +
           ". Add yourself to that group (sudo adduser $USER " + name + ") and log in again.";
}

std::string_view VerdictName(ProbeVerdict verdict) {
    // In the order of ProbeVerdict.
    static constexpr std::array<std::string_view, 6> kNames{
        "modem", "silent", "no such device", "in use", "permission denied", "unusable"};
    return kNames.at(static_cast<std::size_t>(verdict));
}

}  // namespace linkvane
