#include "core/connection/pop3_session.h"

#include <algorithm>
#include <limits>

#include "core/util/text.h"
#include "core/util/win_error.h"

namespace linkvane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::string_view kTerminator = "\r\n";
constexpr std::string_view kListEnd = "\r\n.\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

constexpr std::string_view kMask = "********";

// Blanks, then one or more decimal digits at pos, ended by a blank or the end of the text;
// false for anything else and for a number beyond a signed 32-bit value.
bool ReadNumber(std::string_view text, std::size_t& pos, std::int32_t& value) {
    const std::size_t start = pos;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos == start)
        return false;
    const std::size_t digits = pos;
    std::int64_t number = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + (text[pos] - '0');
        if (number > std::numeric_limits<std::int32_t>::max())
            return false;
        ++pos;
    }
    value = static_cast<std::int32_t>(number);
    return pos > digits && (pos == text.size() || IsBlank(text[pos]));
}

// Where the reply in text ends: at terminator, or at the end of a negative first line that
// answers a list. npos while it is incomplete.
std::size_t ReplyEnd(std::string_view text, std::string_view terminator) {
    if (terminator != kTerminator && text.starts_with('-'))
        return text.find(kTerminator);
    return text.find(terminator);
}

// Whether a CAPA list (its lines after the first) names STLS.
bool OffersStls(std::string_view list) {
    for (std::size_t end = list.find(kTerminator); end != std::string_view::npos;) {
        list.remove_prefix(end + kTerminator.size());
        end = list.find(kTerminator);
        const std::string_view line = list.substr(0, end);
        if (EqualsIgnoreCase(line, "STLS") || StartsWithIgnoreCase(line, "STLS "))
            return true;
    }
    return false;
}

}  // namespace

bool SafeForCommand(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<MailboxStat> ParseStatReply(std::string_view reply) {
    if (!reply.starts_with("+OK"))
        return std::nullopt;
    MailboxStat stat;
    std::size_t pos = 3;
    if (!ReadNumber(reply, pos, stat.count) || !ReadNumber(reply, pos, stat.size))
        return std::nullopt;
    return stat;
}

TlsRefusal JudgeCertificate(const TlsPeer& peer, std::string_view pin, std::string_view accept) {
    if (!accept.empty() && peer.fingerprint == accept)
        return TlsRefusal::None;
    if (!pin.empty())
        return peer.fingerprint == pin ? TlsRefusal::None : TlsRefusal::Changed;
    if (!peer.trusted)
        return TlsRefusal::NotTrusted;
    return peer.hostMatches ? TlsRefusal::None : TlsRefusal::HostMismatch;
}

std::string MaskPassword(std::string text, std::string_view password) {
    if (password.empty())
        return text;
    for (std::size_t at = text.find(password); at != std::string::npos;
         at = text.find(password, at + kMask.size())) {
        text.replace(at, password.size(), kMask);
    }
    for (std::size_t length = std::min(text.size(), password.size() - 1); length > 0; --length) {
        if (std::string_view(text).ends_with(password.substr(0, length))) {
            text.replace(text.size() - length, length, kMask);
            break;
        }
    }
    return text;
}

CPop3Session::CPop3Session(SocketLayer& sockets, Pop3Timeouts timeouts, Pop3Tls tls)
    : m_sockets(sockets),
      m_timeouts(timeouts),
      m_tls(std::move(tls)),
      m_deadline(Clock::now() + timeouts.wholeCheck) {}

CPop3Session::~CPop3Session() {
    if (m_connected)
        CloseMailbox();
    m_socket.reset();
}

bool CPop3Session::Fail(std::uint32_t error, std::string response) {
    m_failed = true;
    m_lastError = error;
    m_lastResponse = std::move(response);
    return false;
}

bool CPop3Session::OpenMailbox(std::string_view host, std::string_view user,
                               std::string_view password, std::uint16_t port) {
    // Stored text with a line break would let the profile inject commands: refuse before
    // anything reaches the wire.
    if (!SafeForCommand(user) || !SafeForCommand(password))
        return Fail(win::kWsaInvalidArgument, "");
    Result<std::unique_ptr<StreamSocket>> socket = m_sockets.CreateStreamSocket();
    if (!socket)
        return Fail(socket.error().code, "");
    m_socket = std::move(*socket);
    const Result<std::uint32_t> address = m_sockets.ResolveIPv4(host);
    if (!address)
        return Fail(win::kWsaInvalidArgument, "");
    if (const std::uint32_t error = m_socket->Connect(*address, port); error != 0)
        return Fail(error, "");
    m_connected = true;

    std::string reply;
    const Pop3Security security = m_tls.security;
    const bool loggedIn = (security != Pop3Security::Pop3s || StartTls(host)) &&
                          ReadResponse(reply, kReplyCapacity) &&
                          (security == Pop3Security::Plain || security == Pop3Security::Pop3s ||
                           NegotiateStls(host)) &&
                          Command("USER " + std::string(user) + "\r\n", reply, kReplyCapacity) &&
                          Command("PASS " + std::string(password) + "\r\n", reply, kReplyCapacity);
    if (!loggedIn) {
        // CloseMailbox would overwrite why the login failed.
        const std::uint32_t error = m_lastError;
        std::string response = m_lastResponse;
        CloseMailbox();
        return Fail(error, std::move(response));
    }
    return true;
}

bool CPop3Session::Command(std::string_view line, std::string& reply, std::size_t capacity,
                           std::string_view terminator) {
    if (m_socket == nullptr)
        return Fail(win::kWsaInvalidArgument, "");
    if (const std::uint32_t error = m_socket->Send(line); error != 0)
        return Fail(error, "");
    return ReadResponse(reply, capacity, terminator);
}

bool CPop3Session::Refuse(TlsRefusal refusal, std::uint32_t error, std::string response) {
    m_tlsReport.refusal = refusal;
    return Fail(error, std::move(response));
}

bool CPop3Session::NegotiateStls(std::string_view host) {
    std::string reply;
    // A negative reply is the server's answer; a time-out or a closed stream stays a failure
    // of its own.
    const auto negative = [this] { return m_lastError == win::kWsaProtocolNotSupported; };
    if (m_tls.security == Pop3Security::Auto) {
        const bool listed = Command("CAPA\r\n", reply, kCapaCapacity, kListEnd);
        if (!listed && !negative())
            return false;
        if (!listed || !OffersStls(reply)) {
            return Refuse(TlsRefusal::NoTls, win::kWsaProtocolNotSupported,
                          reply.substr(0, reply.find(kTerminator)));
        }
    }
    if (!Command("STLS\r\n", reply, kReplyCapacity)) {
        if (negative())
            Refuse(TlsRefusal::NoTls, win::kWsaProtocolNotSupported, reply);
        return false;
    }
    if (!StartTls(host))
        return false;
    // The capabilities told in clear text may have been forged: only these count.
    return Command("CAPA\r\n", reply, kCapaCapacity, kListEnd) || negative();
}

bool CPop3Session::StartTls(std::string_view host) {
    const auto untilDeadline =
        std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
    const auto limit = std::clamp(untilDeadline, std::chrono::milliseconds(1), m_timeouts.response);
    Result<TlsPeer> peer = m_socket->StartTls(host, limit);
    if (!peer) {
        const Error& error = peer.error();
        if (error.code == win::kWsaTimedOut || error.code == win::kWsaConnectionReset)
            return Fail(error.code, error.message);
        return Refuse(TlsRefusal::Handshake, win::kWsaProtocolNotSupported, error.message);
    }
    m_tlsReport.fingerprint = peer->fingerprint;
    const TlsRefusal refusal = JudgeCertificate(*peer, m_tls.pin, m_tls.accept);
    if (refusal != TlsRefusal::None)
        return Refuse(refusal, win::kWsaAccess, "");
    m_tlsReport.acceptedNow = !m_tls.accept.empty() && peer->fingerprint == m_tls.accept;
    return true;
}

bool CPop3Session::Noop() {
    std::string reply;
    return Command("NOOP\r\n", reply, kReplyCapacity);
}

std::optional<MailboxStat> CPop3Session::Stat() {
    std::string reply;
    if (!Command("STAT\r\n", reply, kStatCapacity))
        return std::nullopt;
    std::optional<MailboxStat> stat = ParseStatReply(reply);
    if (!stat) {
        // Keep the reply that could not be read, so the user sees what the server said.
        Fail(win::kWsaProtocolNotSupported, reply);
    }
    return stat;
}

bool CPop3Session::CloseMailbox() {
    bool answered = false;
    if (m_connected) {
        // QUIT is polite, not needed: after a failure, or past the deadline, its reply gets
        // a short wait.
        const Clock::time_point quick = Clock::now() + m_timeouts.quitReply;
        m_deadline = m_failed ? quick : std::max(m_deadline, quick);
        std::string reply;
        answered = Command("QUIT\r\n", reply, kReplyCapacity);
        m_connected = false;
    }
    m_socket.reset();
    return answered;
}

bool CPop3Session::ReadResponse(std::string& text, std::size_t capacity,
                                std::string_view terminator) {
    text.clear();
    if (m_socket == nullptr)
        return Fail(win::kWsaInvalidArgument, "");
    const std::size_t room = capacity > 0 ? capacity - 1 : 0;  // one byte ends the text
    Clock::time_point lastData = Clock::now();
    std::string buffer(room, '\0');
    std::size_t received = 0;
    while (ReplyEnd(text, terminator) == std::string::npos) {
        const Clock::time_point now = Clock::now();
        const Clock::time_point until = std::min(lastData + m_timeouts.response, m_deadline);
        if (now >= until || received == room)
            return Fail(win::kWsaTimedOut, text);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now);
        Result<bool> ready =
            m_socket->WaitReadable(std::clamp(left, std::chrono::milliseconds(1), m_timeouts.poll));
        if (!ready)
            return Fail(ready.error().code, text);
        if (!*ready)
            continue;
        Result<std::size_t> got = m_socket->Receive(std::span(buffer).subspan(received));
        if (!got)
            return Fail(got.error().code, text);
        if (*got == 0) {
            // The server closed the stream: nothing more will come.
            return Fail(win::kWsaConnectionReset, text);
        }
        text.append(buffer, received, *got);
        received += *got;
        lastData = Clock::now();
    }
    text.resize(ReplyEnd(text, terminator));
    if (StartsWithIgnoreCase(text, "+OK"))
        return true;
    return Fail(win::kWsaProtocolNotSupported, text);
}

}  // namespace linkvane
