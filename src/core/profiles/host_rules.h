#pragma once

// When a host named in a profile is long enough to be used. Two rules, each spelt once here:
//   - HostCounts: a host longer than 3 characters. Only such a proxy host is written by the
//     client writers; only such a "PingHost" arms the ping timer when a call is made (or a
//     LAN profile applied); the window's ping and mail buttons act only for such a host.
//   - HostEnablesKeepAlive: the profile editor's keep-alive, on for a "PingHost" of 3 or more
//     characters (a shorter one is erased when the Advanced page is shown).
// A host of exactly 3 characters therefore keeps its place in the editor but arms no timer.
// Characters, not bytes: a UTF-8 sequence is one character, as it was one byte of the code
// page the profiles were first written in.

#include <cstddef>
#include <string_view>

namespace linkvane {

inline std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u)  // not a continuation byte
            ++count;
    }
    return count;
}

inline bool HostCounts(std::string_view host) {
    return CharacterCount(host) > 3;
}

inline bool HostEnablesKeepAlive(std::string_view pingHost) {
    return CharacterCount(pingHost) >= 3;
}

}  // namespace linkvane
