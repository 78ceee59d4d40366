#pragma once

// RedialPolicy: which number Connect dials next and how long it waits first, by why the last
// dial ended. The Connect controller keeps the run's redial budget and decides whether a
// failure is redialled at all; this decides the rest, for one Connect at a time:
//   - the entry's numbers are dialled in turn, each redial the next, wrapping to the first;
//   - pacing: one number is dialled again only RedialPause after its last dial;
//   - after NO CARRIER or NO ANSWER the next dial also waits RedialPause from the failure;
//     BUSY and the other failures add no wait of their own;
//   - after a drop (a call that was up ended without the user's hang-up), with Reconnect on,
//     the number that was up is dialled again after a back-off that starts at 5 s and doubles
//     with each drop up to 600 s, with +-10% random jitter; a call that stayed up 60 s or more
//     starts the back-off afresh. Pacing holds here too.
// It reads no clock: every call is given the time on the controller's steady clock.
//
// Thread: the controller's.

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/profiles/phonebook.h"

namespace linkvane {

// A time on the controller's steady clock, from its own origin.
using SteadyTime = std::chrono::milliseconds;

inline constexpr std::chrono::seconds kReconnectFirstWait{5};
inline constexpr std::chrono::seconds kReconnectLongestWait{600};
inline constexpr std::chrono::seconds kReconnectResetAfter{60};
inline constexpr int kReconnectJitterPercent = 10;

// The profile's redial values.
struct RedialSettings {
    std::chrono::seconds pause{0};  // RedialPause
    bool reconnect = false;         // Reconnect
};

// How long to wait before the next dial, and why, in a few words ("busy").
struct RedialWait {
    std::chrono::milliseconds time{0};
    std::string reason;
};

// The numbers to dial for an entry: its own number, then its alternates, each built as the
// entry's own (with the area and country codes when the entry uses them). A number a modem
// cannot dial is left out, so an entry with none gives an empty list.
std::vector<std::string> EntryDialNumbers(const PhonebookEntry& entry);

// A few words for the view on why a redial waits: "busy", "no carrier", "no answer", "timed
// out" (code 0, a time-out) or "failed".
std::string RedialReason(std::int16_t code);

class RedialPolicy {
  public:
    // A new Connect. No numbers: the dialler dials the entry as it stands (Dial gives "").
    void Start(std::vector<std::string> numbers, RedialSettings settings);
    // The number to dial now, noted as dialled at `now`.
    std::string Dial(SteadyTime now);
    // A dial that failed with `code` (0: timed out) is to be redialled: moves to the next
    // number and says how long to wait first.
    RedialWait AfterFailure(std::int16_t code, SteadyTime now);
    // The link came up.
    void LinkUp(SteadyTime now) { m_upSince = now; }
    // The link dropped: the wait before the number that was up is dialled again, or nullopt
    // when Reconnect is off.
    std::optional<RedialWait> AfterDrop(SteadyTime now);

  private:
    // How long from `now` until `number` may be dialled again.
    std::chrono::milliseconds PacingLeft(std::size_t number, SteadyTime now) const;

    std::vector<std::string> m_numbers{""};
    std::vector<std::optional<SteadyTime>> m_lastDial{std::nullopt};
    std::size_t m_current = 0;
    RedialSettings m_settings;
    std::chrono::milliseconds m_backOff = kReconnectFirstWait;
    SteadyTime m_upSince{0};
    std::minstd_rand m_random{std::random_device{}()};
};

}  // namespace linkvane
