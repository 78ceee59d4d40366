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

// The registry accessor's result form of a Windows error: 0x80070000 | (e & 0xFFFF).
inline constexpr std::int32_t HResultFromWin32(std::uint32_t error) {
    return error == 0 ? 0 : static_cast<std::int32_t>(0x80070000u | (error & 0xFFFFu));
}

}  // namespace linkvane::win
