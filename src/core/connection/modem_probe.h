#pragma once

// What a modem probe decides and says, apart from the line's I/O (platform/modem_probe.h).
//
// A probe asks a port ATZ, then ATI and AT+GMM, at the entry's speed and then at 115200,
// 57600 and 9600, and says what it found: a modem and its model, or why the port is none
// (silent, no such device, in use, permission denied, unusable). A port in use names what
// holds it: the process of a live UUCP lock, or the process that has the device open. When
// that is ModemManager, the text says how to make it leave the modem alone.

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkvane {

// The speeds a probe tries, in order: the entry's (0 for none), then kProbeSpeeds, each once.
inline constexpr std::array<std::uint32_t, 3> kProbeSpeeds{115200, 57600, 9600};
std::vector<std::uint32_t> ProbeSpeeds(std::uint32_t entrySpeed);

// The commands a probe sends at each speed until ATZ is answered, and then to learn the model.
inline constexpr std::string_view kProbeReset = "ATZ";
inline constexpr std::string_view kProbeInfo = "ATI";
inline constexpr std::string_view kProbeModel = "AT+GMM";

// The model from the answers to AT+GMM and ATI (their lines up to OK or ERROR): AT+GMM's
// text without its "+GMM:" tag when it was answered with OK, else ATI's lines, joined by
// blanks. "" when neither says anything.
std::string ModelFromAnswers(const std::vector<std::string>& info,
                             const std::vector<std::string>& gmm);

// A process that holds a port: the owner of its UUCP lock, or a process that has it open.
struct PortHolder {
    pid_t pid = 0;
    std::string command;  // its program's name ("ModemManager"); "" when unknown

    bool operator==(const PortHolder&) const = default;
};

bool IsModemManager(const PortHolder& holder);

// Where ModemManager is told to leave a modem alone, for the sentences below.
inline constexpr std::string_view kModemManagerRuleExample =
    "/usr/share/doc/linkvane/examples/77-linkvane-mm-ignore.rules";

// "process 812 (minicom)"
std::string DescribeHolder(const PortHolder& holder);
// "The modem /dev/ttyUSB0 is in use by process 812 (minicom; lock file /run/lock/LCK..ttyUSB0)."
// where `how` is the evidence ("lock file ...", "it has the device open"), and, for
// ModemManager, the udev rule that makes it leave the modem alone.
std::string InUseText(std::string_view device, const PortHolder& holder, std::string_view how);

// Why a port cannot be opened for want of permission: the group that owns it ("dialout") and
// the command that makes the user a member.
std::string PermissionText(std::string_view device, std::string_view group);

enum class ProbeVerdict { Modem, Silent, NoDevice, InUse, PermissionDenied, Unusable };

// "modem", "silent", "no such device", "in use", "permission denied", "unusable".
std::string_view VerdictName(ProbeVerdict verdict);

struct ProbeResult {
    std::string device;
    ProbeVerdict verdict = ProbeVerdict::Silent;
    std::string model;                 // Modem: what it calls itself, "" when it did not say
    std::uint32_t speed = 0;           // Modem: the speed ATZ was answered at
    std::optional<PortHolder> holder;  // InUse: who holds it, when known
    std::string reason;                // a sentence for people
};

}  // namespace linkvane
