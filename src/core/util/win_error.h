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
inline constexpr std::uint32_t kTimeout = 1460;        // ERROR_TIMEOUT: a link did not end

// Windows Sockets errors, as the mail check and the ping report them (the Linux socket layer
// maps errno and resolver errors to these in one place).
inline constexpr std::uint32_t kWsaAccess = 10013;
inline constexpr std::uint32_t kWsaWouldBlock = 10035;
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

// Remote Access errors of the phonebook (the dialler reports its own as 25000 + the error,
// in dialer_engine.h).
namespace linkvane::ras {
inline constexpr std::uint32_t kInvalidName = 123;          // ERROR_INVALID_NAME
inline constexpr std::uint32_t kDeviceDoesNotExist = 608;   // ERROR_DEVICE_DOES_NOT_EXIST
inline constexpr std::uint32_t kCannotOpenPhonebook = 621;  // ERROR_CANNOT_OPEN_PHONEBOOK
inline constexpr std::uint32_t kCannotFindPhonebookEntry =
    623;                                                     // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
inline constexpr std::uint32_t kCannotWritePhonebook = 624;  // ERROR_CANNOT_WRITE_PHONEBOOK
inline constexpr std::uint32_t kCorruptPhonebook = 625;      // ERROR_CORRUPT_PHONEBOOK
}  // namespace linkvane::ras
