#include "platform/modem_engine.h"

#include <array>

#include "platform/modem_talk.h"
#include "platform/serial_line.h"

namespace linkvane {

namespace {

constexpr auto kCannotFindEntry =
    static_cast<std::int16_t>(kRasErrorBase + ras::kCannotFindPhonebookEntry);

// pppd has ended: its last words say why. A child of pppd may still hold the log and write
// on, so the drain stops after kPppdLogDrainTime or kPppdLogDrainBytes, and at a hang-up.
template <typename OnLine>
void DrainLastWords(PppdProcess& pppd, DialSession& session, OnLine onLine) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + kPppdLogDrainTime;
    std::size_t drained = 0;
    while (pppd.LogFd() >= 0 && drained < kPppdLogDrainBytes && Clock::now() < until) {
        pollfd rest{pppd.LogFd(), POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        if (session.Wait({&rest, 1}, left) != DialWake::Ready)
            return;
        drained += pppd.ReadLog(onLine);
    }
}

// Whether the modem answered the dial with a result after which it has hung up by itself, so
// that DTR need not be held down to make it: a redial after a busy line goes out at once.
bool ModemHungUp(const DialEnd& end) {
    switch (end.kind == DialEnd::Kind::Failed ? end.errorCode : 0) {
        case kDialErrorBusy:
        case kDialErrorNoAnswer:
        case kDialErrorNoCarrier:
        case kDialErrorNoDialTone:
            return true;
        default:
            return false;
    }
}

}  // namespace

ModemDialerEngine::ModemDialerEngine(Phonebook& phonebook, ModemEngineOptions options)
    : m_phonebook(phonebook), m_options(std::move(options)) {}

std::optional<DialEnd> ModemDialerEngine::Prepare(const DialRequest& request) {
    Result<std::optional<PhonebookEntry>> read = m_phonebook.ReadEntry(request.entryName);
    if (!read)
        return DialEnd::Failure(kCannotFindEntry,
                                "The phonebook cannot be read: " + read.error().message);
    if (!*read)
        return DialEnd::Failure(kCannotFindEntry, NoSuchEntryText(request.entryName));
    const PhonebookEntry& entry = **read;
    if (entry.properties.deviceName.empty()) {
        return DialEnd::Failure(
            kDialErrorPortNotFound,
            "The entry \"" + request.entryName + "\" names no modem: choose one in its settings.");
    }
    // A number the dialler was given (an alternate) is dialled instead of the entry's own.
    Result<std::string> number = request.phoneNumber.empty() ? BuildDialNumber(entry.properties)
                                                             : DialableNumber(request.phoneNumber);
    if (!number)
        return DialEnd::Failure(kDialErrorUnknown, number.error().message);
    m_line = {entry.properties.deviceName, entry.lineSpeed, entry.initString, *number};
    return std::nullopt;
}

DialEnd ModemDialerEngine::Run(DialSession& session) {
    if (session.HangUpRequested())
        return DialEnd::Ended();
    UucpLock lock;
    if (std::optional<DialEnd> taken = lock.Take(m_options.lockDir, m_line.device))
        return *taken;
    SerialLine line;
    if (std::optional<DialEnd> opened = line.Open(m_line.device, m_line.speed))
        return *opened;
    ModemDialogue dialogue(m_line.initString, m_line.number, m_options.answerTime);
    std::optional<DialEnd> end = TalkToModem(line.fd(), dialogue, session);
    const bool hungUp = end && ModemHungUp(*end);
    if (!end) {
        line.HandOver();
        end = RunLink(line.fd(), session);
    }
    line.Release(hungUp ? std::chrono::milliseconds(0) : m_options.dtrDrop);
    return *end;  // the lock goes last, with this scope
}

DialEnd ModemDialerEngine::RunLink(int line, DialSession& session) {
    const DialRequest& request = session.Request();
    PppdProcess pppd(m_options.pppd);
    if (std::optional<DialEnd> failed =
            pppd.Start(line, request.userName, request.password, request.entryName))
        return *failed;
    LinkRecordFile record(m_options.linkRecordDir,
                          {pppd.Pid(), 0, request.entryName, m_line.device.string(), {}, {}});
    const auto onLine = [&](const std::string& text) {
        record.Update(pppd.LogFacts().interfaceName, pppd.LogFacts().nameServers);
        if (const std::int16_t state = PppdLogState(text); state != 0)
            session.SetState(state);
    };
    for (;;) {
        std::array<pollfd, 2> fds{{{pppd.LogFd(), POLLIN, 0}, {pppd.ExitFd(), POLLIN, 0}}};
        const DialWake wake = session.Wait(fds, std::nullopt);
        if (wake == DialWake::HangUp || wake == DialWake::TimedOut) {
            pppd.Stop();
            return EndForWake(wake);
        }
        if (fds[0].revents != 0)
            pppd.ReadLog(onLine);
        if (fds[1].revents != 0)
            break;
    }
    DrainLastWords(pppd, session, onLine);
    const int status = pppd.Reap().value_or(-1);
    if (session.Connected())
        return DialEnd::Ended();
    return PppdExitEnd(status, pppd.LogFacts());
}

}  // namespace linkvane
