#pragma once

// DialerEngine: what dials a phonebook entry and reports how the dial goes. CRasDialer (the
// program's dialler control, ras_dialer.h) holds one and gives it the entry, the login and
// the timeout when the user dials. DialerEngineBase (dialer_engine_base.h) is the base every
// engine builds on.
//
// Connection states use the Remote Access numbering: below 1 when no dial is under way,
// 1 or more while dialling, kRasConnected (8192) when the link is up. Failures are reported
// as 25000 + the Remote Access error (the kDialError constants).
//
// Threads: an engine may do its work on threads of its own. Its state getters may be called
// from any thread at any time; it reports to its observer from whatever thread it runs on
// (CRasDialer moves the reports onto the GUI thread). Dial and HangUp are called from one
// thread at a time.

#include <cstdint>
#include <string>

namespace linkvane {

// Connection states (RASCONNSTATE) that the engines report.
inline constexpr std::int16_t kRasPortOpened = 1;       // the line is being taken and set up
inline constexpr std::int16_t kRasConnectDevice = 2;    // the modem is dialling
inline constexpr std::int16_t kRasDeviceConnected = 3;  // the modem answered CONNECT
inline constexpr std::int16_t kRasAuthenticate = 5;     // PPP is negotiating and logging in
inline constexpr std::int16_t kRasAuthenticated = 14;   // the login was accepted
inline constexpr std::int16_t kRasConnected = 8192;     // RASCS_Connected: the link is up

inline constexpr std::int16_t kRasErrorBase = 25000;
// Codes at or below this one are not failures that the program acts on.
inline constexpr std::int16_t kDialErrorIgnoredLimit = 25600;
inline constexpr std::int16_t kDialErrorPortNotFound = 25615;      // device missing or unopenable
inline constexpr std::int16_t kDialErrorPortDisconnected = 25628;  // the line dropped (pppd 16)
inline constexpr std::int16_t kDialErrorPortInUse = 25633;         // the line is locked
inline constexpr std::int16_t kDialErrorUnknown = 25635;           // pppd could not run, ...
inline constexpr std::int16_t kDialErrorBusy = 25676;
inline constexpr std::int16_t kDialErrorNoAnswer = 25678;
inline constexpr std::int16_t kDialErrorNoCarrier = 25679;
inline constexpr std::int16_t kDialErrorNoDialTone = 25680;
inline constexpr std::int16_t kDialErrorAuthentication = 25691;  // pppd 19
inline constexpr std::int16_t kDialErrorModemInit = 25692;
inline constexpr std::int16_t kDialErrorPppTimeout = 25718;       // peer stopped answering (15)
inline constexpr std::int16_t kDialErrorPppTerminated = 25734;    // negotiation failed (10)
inline constexpr std::int16_t kDialErrorAlreadyDialling = 25756;  // Dial while a dial is on

// What a dial needs: the phonebook entry, the login and the seconds to wait for the link.
struct DialRequest {
    std::string entryName;
    std::string userName;
    std::string password;
    std::int16_t timeoutSeconds = 0;
    std::string phoneNumber;  // the number to dial; empty: the entry's own
};

// Receives an engine's reports. Each report carries what it reports: the new state, or the
// failure's code (the one ErrorCode() then gives) and a text for people.
class DialerEngineObserver {
  public:
    virtual ~DialerEngineObserver() = default;
    virtual void EngineStateChanged(std::int16_t state) = 0;
    virtual void EngineDisconnected() = 0;
    virtual void EngineFailed(std::int16_t errorCode, const std::string& text) = 0;
    virtual void EngineTimedOut() = 0;
};

class DialerEngine {
  public:
    virtual ~DialerEngine() = default;

    // The observer outlives the engine's use of it; null stops the reports, and returns only
    // when no report is being made any more.
    virtual void SetObserver(DialerEngineObserver* observer) = 0;
    // Starts an asynchronous dial; 0 when it has started, else a failure code (the outcome
    // of a started dial comes as a report).
    virtual std::int16_t Dial(const DialRequest& request) = 0;
    // Ends the link or abandons the dial under way; 0 on success.
    virtual std::int16_t HangUp() = 0;

    virtual bool Connected() const = 0;
    virtual std::int16_t ConnectionState() const = 0;
    virtual std::int16_t ErrorCode() const = 0;
};

// The engine for a build or a test that cannot dial: it has never dialled and never will. It
// is always disconnected, with state 0 and error code 0, and reports nothing. Dial starts
// nothing and answers kDialUnavailable, so a caller cannot mistake it for a dial under way.
class IdleDialerEngine final : public DialerEngine {
  public:
    static constexpr std::int16_t kDialUnavailable = -1;

    void SetObserver(DialerEngineObserver*) override {}
    std::int16_t Dial(const DialRequest&) override { return kDialUnavailable; }
    std::int16_t HangUp() override { return 0; }  // nothing is up, so nothing to end
    bool Connected() const override { return false; }
    std::int16_t ConnectionState() const override { return 0; }
    std::int16_t ErrorCode() const override { return 0; }
};

}  // namespace linkvane
