#include "tools/loopback_engine.h"

#include <sys/socket.h>

#include <array>
#include <thread>

#include "core/util/file_descriptor.h"

namespace linkvane {

namespace {

// The link after CONNECT: up after the delay, then until the line drops or the user hangs up.
DialEnd KeepLink(int line, DialSession& session, const LoopbackOptions& options) {
    session.SetState(kRasAuthenticate);
    if (!options.acceptedPassword.empty() && session.Request().password != options.acceptedPassword)
        return DialEnd::Failure(kDialErrorAuthentication, "The provider refused the login.");
    pollfd fd{line, POLLIN, 0};
    const DialWake early = session.Wait({&fd, 1}, options.linkUpDelay);
    if (early == DialWake::Ready)
        return DialEnd::Failure(kDialErrorPortDisconnected,
                                "The line dropped before the link was up.");
    if (early != DialWake::Elapsed)
        return EndForWake(early);
    session.SetState(kRasConnected);
    for (;;) {
        const DialWake wake = session.Wait({&fd, 1}, std::nullopt);
        if (wake != DialWake::Ready)
            return EndForWake(wake);
        std::array<char, 64> discard{};
        if (::read(line, discard.data(), discard.size()) <= 0)
            return DialEnd::Ended();  // the modem dropped the line
    }
}

// The number dialled: the request's, else the entry's name.
const std::string& NumberOf(const DialRequest& request) {
    return request.phoneNumber.empty() ? request.entryName : request.phoneNumber;
}

}  // namespace

std::optional<DialEnd> LoopbackDialerEngine::Prepare(const DialRequest& request) {
    if (Result<std::string> number = DialableNumber(NumberOf(request)); !number)
        return DialEnd::Failure(kDialErrorUnknown, number.error().message);
    return std::nullopt;
}

DialEnd LoopbackDialerEngine::Run(DialSession& session) {
    std::array<int, 2> ends{-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0)
        return DialEnd::Failure(kDialErrorPortNotFound, "The loopback line cannot be made.");
    FileDescriptor line(ends[0]);
    FileDescriptor modemEnd(ends[1]);
    SimulatedModem modem(m_options.modem);
    std::thread modemThread([&] { ServeSimulatedModem(modemEnd.get(), modem, -1); });

    DialEnd end = DialEnd::Ended();
    if (!session.HangUpRequested()) {
        ModemDialogue dialogue(m_options.initString, *DialableNumber(NumberOf(session.Request())),
                               m_options.answerTime);
        const std::optional<DialEnd> failed = m_talk.Talk(line.get(), dialogue, session);
        end = failed ? *failed : KeepLink(line.get(), session, m_options);
    }
    // Releasing the line: the modem sees it close and its thread ends.
    ::shutdown(line.get(), SHUT_RDWR);
    modemThread.join();
    return end;
}

}  // namespace linkvane
