#pragma once

// Windows error numbers as the system reports them to users and to the logic that mirrors
// the Windows behaviour. Only the numbers this program produces or interprets are listed.

#include <cstdint>

namespace linkvane::win {

inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kInvalidData = 13;
inline constexpr std::uint32_t kBadNetPath = 53;
inline constexpr std::uint32_t kUnexpectedNetworkError = 59;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;            // ERROR_DISK_FULL
inline constexpr std::uint32_t kInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
inline constexpr std::uint32_t kBadPathname = 161;
inline constexpr std::uint32_t kBusy = 170;  // ERROR_BUSY: the store's write lock was not had
inline constexpr std::uint32_t kMoreData = 234;
inline constexpr std::uint32_t kDirectoryInvalid = 267;  // ERROR_DIRECTORY: not a folder
inline constexpr std::uint32_t kNoMoreItems = 259;
inline constexpr std::uint32_t kBadDatabase = 1009;  // ERROR_BADDB: the registry file is damaged
inline constexpr std::uint32_t kRegistryIo = 1016;   // ERROR_REGISTRY_IO_FAILED
inline constexpr std::uint32_t kKeyDeleted = 1018;
inline constexpr std::uint32_t kTooManyThreads = 155;  // ERROR_TOO_MANY_TCBS

// Windows Sockets errors, as the mail check and the ping report them (the Linux socket layer
// maps errno and resolver errors to these in one place).
inline constexpr std::uint32_t kWsaAccess = 10013;
inline constexpr std::uint32_t kWsaInvalidArgument = 10022;       // also: the POP3 host is unknown
inline constexpr std::uint32_t kWsaProtocolNotSupported = 10043;  // also: a negative POP3 reply
inline constexpr std::uint32_t kWsaConnectionReset = 10054;
inline constexpr std::uint32_t kWsaTimedOut = 10060;
inline constexpr std::uint32_t kWsaSyscallFailure = 10107;
inline constexpr std::uint32_t kWsaHostNotFound = 11001;

// IP status codes of the ICMP echo service.
inline constexpr std::uint32_t kIpDestNetUnreachable = 11002;
inline constexpr std::uint32_t kIpDestHostUnreachable = 11003;
inline constexpr std::uint32_t kIpDestProtocolUnreachable = 11004;
inline constexpr std::uint32_t kIpDestPortUnreachable = 11005;
inline constexpr std::uint32_t kIpPacketTooBig = 11009;
inline constexpr std::uint32_t kIpRequestTimedOut = 11010;
inline constexpr std::uint32_t kIpTtlExpiredTransit = 11013;
inline constexpr std::uint32_t kIpTtlExpiredReassembly = 11014;
inline constexpr std::uint32_t kIpParameterProblem = 11015;
inline constexpr std::uint32_t kIpSourceQuench = 11016;
inline constexpr std::uint32_t kIpGeneralFailure = 11050;

// The registry accessor's result form of a Windows error: 0x80070000 | (e & 0xFFFF).
inline constexpr std::int32_t HResultFromWin32(std::uint32_t error) {
    return error == 0 ? 0 : static_cast<std::int32_t>(0x80070000u | (error & 0xFFFFu));
}

}  // namespace linkvane::win
