#pragma once

// Result<T>: a value or an error with a message and, where the failing layer has one, a
// Windows-numbered code. Core functions that can fail for reasons a user must read return
// this instead of throwing, so no exception ever crosses a layer.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace linkvane {

struct Error {
    std::string message;
    std::uint32_t code = 0;  // 0 when the failure has no system code

    // "message (code N)" when there is a code; the form every front end shows.
    std::string Describe() const {
        return code == 0 ? message : message + " (code " + std::to_string(code) + ")";
    }
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : m_state(std::move(value)) {}      // NOLINT(google-explicit-constructor)
    Result(Error error) : m_state(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<T>(m_state); }
    const T& value() const& { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<Error>(m_state); }

  private:
    std::variant<T, Error> m_state;
};

// Result<void>: success or an error.
struct Ok {};
using Status = Result<Ok>;

inline Status Success() {
    return Ok{};
}
inline Error Fail(std::string message, std::uint32_t code = 0) {
    return Error{std::move(message), code};
}

}  // namespace linkvane
