#pragma once

// LinkvaneBus: linkvanectl's client of the running program's interface on the session bus
// (org.linkvane.Linkvane1, remote_control.h), over sd-bus. libsystemd is loaded when a command
// first asks for the bus, so commands that never do pay nothing for it at start-up.
//
// Calls never start the program (no bus activation): a command asks ProgramRunning first and
// does its work itself when no program holds the name. A failed call gives the error's text
// as the message; LastErrorName() names the error ("org.linkvane.Linkvane1.Error.NoCall").
//
// WatchStatus subscribes to the program's PropertiesChanged and to the loss of its name;
// ProcessStatus then hands each change, as the program told it, to the handler, together with
// the whole status as it stands from the changes seen so far. Between two ProcessStatus calls
// the caller polls fd() for events(). One thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/connection/link_status.h"
#include "core/util/result.h"

namespace linkvane {

class LinkvaneBus {
  public:
    // The user's session bus; nullptr when there is none or libsystemd cannot be had.
    static std::unique_ptr<LinkvaneBus> Open();
    ~LinkvaneBus();
    LinkvaneBus(const LinkvaneBus&) = delete;
    LinkvaneBus& operator=(const LinkvaneBus&) = delete;

    // Whether a program holds the name org.linkvane.Linkvane now.
    bool ProgramRunning();
    // The program's properties now.
    Result<LinkStatus> ReadStatus();

    Status Connect(const std::string& profile);
    Status HangUp();
    struct MailReply {
        std::uint32_t count = 0;
        std::uint64_t size = 0;
        std::string text;
    };
    Result<MailReply> CheckMail();
    Result<std::string> Ping();
    const std::string& LastErrorName() const { return m_errorName; }

    using StatusHandler = std::function<void(const LinkStatus& status, StatusFields changed)>;
    Status WatchStatus();
    // Handles what has arrived; false once the program has left the bus (or the bus failed).
    bool ProcessStatus(const StatusHandler& handler);
    int fd() const;
    short events() const;

  private:
    struct Library;
    struct Connection;
    explicit LinkvaneBus(std::unique_ptr<Connection> connection);
    // Calls method (with one text argument when it is not empty) and reads its reply.
    template <typename Read>
    auto Call(const char* method, const std::string& argument, int timeoutSeconds, Read read)
        -> decltype(read(nullptr));

    std::unique_ptr<Connection> m_connection;
    std::string m_errorName;
    LinkStatus m_status;
    const StatusHandler* m_handler = nullptr;  // while ProcessStatus runs
    bool m_programGone = false;
};

}  // namespace linkvane
