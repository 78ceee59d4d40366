#pragma once

// CPop3Session: one short POP3 session of the mail check: connect, greeting, USER, PASS,
// NOOP, STAT and QUIT. It never downloads or deletes mail. Lives for one check; one thread.
//
// Each operation returns true on success. On failure LastError() tells why: 10022 for an
// unknown host (or a user name or password that would break the command line), 10060 when a
// reply does not come in time, 10054 when the server closes the stream, 10043 for a negative
// reply, otherwise the socket layer's error. LastResponse() holds the text of the reply that
// failed most recently.
//
// A reply is read until "\r\n": at most 999 bytes (99 for STAT), waiting at most 10 s after
// the last byte received. The whole session has one deadline, 60 s after it was made, that no
// reply outlasts however slowly it trickles in. A reply that fills its buffer without a line
// end fails as a time-out at once. Every path that made the connection sends QUIT; after a
// failure its reply is given 1 s, and so is a QUIT sent once the deadline has passed.
//
// TLS (Pop3Tls): pop3s starts it before the greeting; stls sends STLS after it, and auto too
// when the server's CAPA lists STLS, else it refuses. After STLS the session asks CAPA again,
// since what came before the handshake may have been forged. In these three modes USER and
// PASS are only ever sent over TLS to a certificate that JudgeCertificate accepts. A refusal
// is told by Tls().refusal, with LastError() 10043 when the server offers no TLS or the
// handshake fails, and 10013 for a refused certificate. The handshake takes at most the
// response time-out, and ends by the session's deadline.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/connection/network.h"
#include "core/profiles/mail_security.h"

namespace linkvane {

struct Pop3Timeouts {
    std::chrono::milliseconds response{10000};    // silence allowed after the last byte
    std::chrono::milliseconds wholeCheck{60000};  // the session's deadline, from its start
    std::chrono::milliseconds poll{100};          // longest single readiness wait
    std::chrono::milliseconds quitReply{1000};    // QUIT's reply after a failure
};

struct MailboxStat {
    std::int32_t count = 0;
    std::int32_t size = 0;  // bytes
    bool operator==(const MailboxStat&) const = default;
};

// How a session protects the login (mail_security.h).
struct Pop3Tls {
    Pop3Security security = Pop3Security::Plain;
    std::string pin;     // POP3Pin: when set, the one certificate accepted
    std::string accept;  // a fingerprint the user accepted for this session
};

// Why a session would not go on with TLS.
enum class TlsRefusal {
    None,
    NoTls,         // the server offers no STLS, or refused it
    Handshake,     // the handshake failed for another reason than a time-out or a close
    NotTrusted,    // the certificate's chain is not trusted by this system
    HostMismatch,  // the certificate is trusted but issued for another name
    Changed,       // the profile pins another certificate
};

struct TlsReport {
    TlsRefusal refusal = TlsRefusal::None;
    std::string fingerprint;   // the server's certificate, once a handshake was made
    bool acceptedNow = false;  // it was Pop3Tls::accept: the caller pins it
};

// Whether to go on with the server's certificate: the pinned one only, when there is a pin;
// else one the system trusts for this host, or the one the user accepted.
TlsRefusal JudgeCertificate(const TlsPeer& peer, std::string_view pin, std::string_view accept);

class CPop3Session {
  public:
    static constexpr std::size_t kReplyCapacity = 1000;
    static constexpr std::size_t kStatCapacity = 100;
    static constexpr std::size_t kCapaCapacity = 4000;

    explicit CPop3Session(SocketLayer& sockets, Pop3Timeouts timeouts = {}, Pop3Tls tls = {});
    ~CPop3Session();  // QUIT when still connected, then close
    CPop3Session(const CPop3Session&) = delete;
    CPop3Session& operator=(const CPop3Session&) = delete;

    bool OpenMailbox(std::string_view host, std::string_view user, std::string_view password,
                     std::uint16_t port);
    bool Noop();
    // The message count and total size; nullopt when STAT fails or its reply cannot be read.
    std::optional<MailboxStat> Stat();
    // QUIT when connected; closes the socket in every case. Whether QUIT was answered +OK.
    bool CloseMailbox();
    // One reply into text, up to terminator (removed): "\r\n", or "\r\n.\r\n" for a list,
    // which a negative first line also ends. True when it begins with "+OK" in any case.
    bool ReadResponse(std::string& text, std::size_t capacity,
                      std::string_view terminator = "\r\n");

    std::string LastResponse() const { return m_lastResponse; }
    std::uint32_t LastError() const { return m_lastError; }
    bool Connected() const { return m_connected; }
    const TlsReport& Tls() const { return m_tlsReport; }

  private:
    bool Fail(std::uint32_t error, std::string response);
    bool Refuse(TlsRefusal refusal, std::uint32_t error, std::string response);
    bool Command(std::string_view line, std::string& reply, std::size_t capacity,
                 std::string_view terminator = "\r\n");
    bool NegotiateStls(std::string_view host);
    bool StartTls(std::string_view host);

    SocketLayer& m_sockets;
    Pop3Timeouts m_timeouts;
    Pop3Tls m_tls;
    TlsReport m_tlsReport;
    std::chrono::steady_clock::time_point m_deadline;  // no reply is awaited past it
    bool m_failed = false;
    std::unique_ptr<StreamSocket> m_socket;
    bool m_connected = false;
    std::string m_lastResponse;
    std::uint32_t m_lastError = 0;
};

// The STAT reply's count and size: "+OK" exactly, blanks (spaces or tabs), the count's digits,
// blanks, the size's digits, and then nothing or a blank and any text. Anything else ("+OKAY",
// a sign, no digits, "0x10") is refused, and so are numbers beyond 32 bits signed.
std::optional<MailboxStat> ParseStatReply(std::string_view reply);

// text with every occurrence of password replaced by "********", and also a beginning of the
// password at the end of text, where a reply cut at its buffer's size may stop inside it.
std::string MaskPassword(std::string text, std::string_view password);

// Text that may go into a command line: no CR, LF or NUL.
bool SafeForCommand(std::string_view text);

}  // namespace linkvane
