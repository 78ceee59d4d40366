#pragma once

// The one place where Linux socket and resolver errors become Windows Sockets numbers, the
// numbers the mail check and the ping report.

#include <cstdint>

namespace linkvane {

// An errno value of a socket call (EACCES -> 10013, ECONNREFUSED -> 10061, ...).
std::uint32_t WinsockErrorOfErrno(int error);
// A getaddrinfo() result (EAI_NONAME -> 11001, EAI_AGAIN -> 11002, ...).
std::uint32_t WinsockErrorOfResolver(int gaiError);

}  // namespace linkvane
