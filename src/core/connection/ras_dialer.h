#pragma once

// CRasDialer: the program's dialler control. It keeps the properties the program sets
// (EntryName, UserName, Password, DialTimeout), reads the state of its DialerEngine
// (ErrorCode, Connected, ConnectionState), and starts or ends a dial (Dial, HangUp). The
// engine's reports come back as the events DialConnected, DialDisconnected, DialFailed and
// DialTimedOut, delivered to one RasDialerEvents sink on the thread that the poster given at
// construction runs its tasks on (the GUI thread in the program).
//
// A failure or time-out whose handler does not dial again ends the dial: the dialler then
// raises DialDisconnected, so that whoever shows the dial returns to idle.
//
// Ownership: the dialler owns its engine and borrows the sink. Events that are still queued
// when the dialler is destroyed are dropped. Calls come from the GUI thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/connection/dialer_engine.h"
#include "core/util/task_poster.h"

namespace linkvane {

// Receives the dialler's events (the main window).
class RasDialerEvents {
  public:
    virtual ~RasDialerEvents() = default;
    // The dial reached `state`; the link is up when it is kRasConnected. The state is the one
    // reported, not a later one that ConnectionState() may give by the time this runs.
    virtual void DialConnected(std::int16_t state) = 0;
    // The link has ended or the dial was abandoned.
    virtual void DialDisconnected() = 0;
    // The dial failed; the reason is ErrorCode(). The three values are the control's
    // by-reference event parameters: the code, its text and one that is not used.
    virtual void DialFailed(std::int16_t& errorCode, std::string& errorText,
                            std::int16_t& reserved) = 0;
    // No link within DialTimeout seconds.
    virtual void DialTimedOut() = 0;
};

class CRasDialer {
  public:
    // An empty poster runs the events on the engine's thread, as they come.
    explicit CRasDialer(std::unique_ptr<DialerEngine> engine, TaskPoster poster = {});
    ~CRasDialer();
    CRasDialer(const CRasDialer&) = delete;
    CRasDialer& operator=(const CRasDialer&) = delete;

    void SetEventSink(RasDialerEvents* sink);

    void SetEntryName(const std::string& name) { m_request.entryName = name; }
    const std::string& GetEntryName() const { return m_request.entryName; }
    // The number to dial instead of the entry's own (empty: the entry's), as Remote Access
    // dial parameters carry one.
    void SetPhoneNumber(const std::string& number) { m_request.phoneNumber = number; }
    const std::string& GetPhoneNumber() const { return m_request.phoneNumber; }
    void SetUserName(const std::string& name) { m_request.userName = name; }
    const std::string& GetUserName() const { return m_request.userName; }
    void SetPassword(const std::string& password) { m_request.password = password; }
    const std::string& GetPassword() const { return m_request.password; }
    void SetDialTimeout(std::int16_t seconds) { m_request.timeoutSeconds = seconds; }
    std::int16_t GetDialTimeout() const { return m_request.timeoutSeconds; }

    std::int16_t GetErrorCode() const { return m_engine->ErrorCode(); }
    bool GetConnected() const { return m_engine->Connected(); }
    std::int16_t GetConnectionState() const { return m_engine->ConnectionState(); }

    // Starts an asynchronous dial with the properties as set; the result is the engine's.
    std::int16_t Dial();
    std::int16_t HangUp();
    // Whether HangUp was called since the last Dial: a link that ends without it dropped.
    bool HangUpAsked() const { return m_hangUpAsked; }

    // A call is up or being dialled: Connected, or a ConnectionState of 1 or more.
    bool CallActive() const { return GetConnected() || GetConnectionState() >= 1; }
    // How many dials the engine has taken (Dial calls that returned 0). Whether something was
    // dialled is told by this count, not by CallActive: a dial that fails at once may have
    // ended on the engine's thread before its caller looks, its events still queued.
    unsigned DialsStarted() const { return m_dialsStarted; }

  private:
    class Relay;

    std::unique_ptr<DialerEngine> m_engine;
    std::shared_ptr<Relay> m_relay;
    DialRequest m_request;
    std::atomic<unsigned> m_dialsStarted{0};
    bool m_hangUpAsked = false;
};

// The dial timeout for a stored RedialTimeout: the setting in seconds, or 60 when it is 0 or
// less (writeBack then says to store 60); a setting too large for the control's 16-bit
// property is held at 32767 seconds.
struct DialTimeoutSetting {
    std::int16_t seconds = 0;
    bool writeBack = false;
};
inline constexpr std::int16_t kDefaultDialTimeout = 60;
DialTimeoutSetting DialTimeoutFromSetting(std::int32_t redialTimeout);

}  // namespace linkvane
