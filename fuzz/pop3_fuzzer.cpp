// Feeds arbitrary bytes as a POP3 server's replies to a whole mail check, through an in-memory
// stream in chunks of the first byte's size. The first byte's top two bits pick the security
// mode (plain, auto, stls, pop3s); in the three TLS modes the next byte says what the
// handshake finds (bit 0 trusted, bit 1 the host matches, bit 2 it fails, bit 3 the profile
// has a pin, bit 4 the pin is the server's). The check must never crash or hang, must send
// nothing but its own command lines, must send USER and PASS in a TLS mode only after a
// handshake whose certificate it may accept, and a reported count and size must be what the
// STAT parse makes of some reply.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/connection/mail_check.h"
#include "core/util/win_error.h"

namespace {

using namespace linkvane;

constexpr std::string_view kTlsMark = "<TLS>";
const std::string kServerFingerprint(95, 'A');
const std::string kOtherFingerprint(95, 'B');

struct Handshake {
    bool trusted = false;
    bool hostMatches = false;
    bool fails = false;
    std::string pin;

    explicit Handshake(std::uint8_t bits)
        : trusted((bits & 1) != 0), hostMatches((bits & 2) != 0), fails((bits & 4) != 0) {
        if ((bits & 8) != 0)
            pin = (bits & 16) != 0 ? kServerFingerprint : kOtherFingerprint;
    }
    bool Acceptable() const {
        if (fails)
            return false;
        return pin.empty() ? trusted && hostMatches : pin == kServerFingerprint;
    }
};

class ReplayedStream final : public StreamSocket {
  public:
    ReplayedStream(std::string_view replies, std::size_t chunk, const Handshake& handshake,
                   std::string& sent)
        : m_replies(replies), m_chunk(chunk), m_handshake(handshake), m_sent(sent) {}
    std::uint32_t Connect(std::uint32_t, std::uint16_t) override { return 0; }
    std::uint32_t Send(std::string_view bytes) override {
        m_sent.append(bytes);
        return 0;
    }
    Result<bool> WaitReadable(std::chrono::milliseconds) override { return true; }
    Result<std::size_t> Receive(std::span<char> buffer) override {
        const std::size_t count = std::min({buffer.size(), m_chunk, m_replies.size()});
        std::copy_n(m_replies.begin(), count, buffer.begin());
        m_replies.remove_prefix(count);
        return count;  // 0 at the end: the server closed the stream
    }
    Result<TlsPeer> StartTls(std::string_view, std::chrono::milliseconds) override {
        if (m_handshake.fails)
            return Fail("handshake", win::kWsaProtocolNotSupported);
        m_sent.append(kTlsMark);
        return TlsPeer{kServerFingerprint, m_handshake.trusted, m_handshake.hostMatches};
    }

  private:
    std::string_view m_replies;
    std::size_t m_chunk;
    const Handshake& m_handshake;
    std::string& m_sent;
};

class ReplayedServer final : public SocketLayer {
  public:
    ReplayedServer(std::string_view replies, std::size_t chunk, const Handshake& handshake)
        : m_replies(replies), m_chunk(chunk), m_handshake(handshake) {}
    Result<std::unique_ptr<StreamSocket>> CreateStreamSocket() override {
        return std::unique_ptr<StreamSocket>(
            std::make_unique<ReplayedStream>(m_replies, m_chunk, m_handshake, m_sent));
    }
    Result<std::uint32_t> ResolveIPv4(std::string_view) override { return 0x0100007Fu; }
    const std::string& sent() const { return m_sent; }

  private:
    std::string_view m_replies;
    std::size_t m_chunk;
    const Handshake& m_handshake;
    std::string m_sent;
};

bool OnlyOurCommands(std::string_view sent) {
    static constexpr std::string_view kCommands[] = {"USER u\r\n", "PASS p\r\n", "NOOP\r\n",
                                                     "STAT\r\n",   "QUIT\r\n",   "CAPA\r\n",
                                                     "STLS\r\n",   kTlsMark};
    while (!sent.empty()) {
        const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                        [&](std::string_view c) { return sent.starts_with(c); });
        if (known == std::end(kCommands))
            return false;
        sent.remove_prefix(known->size());
    }
    return true;
}

// In a TLS mode the login goes only over a handshake whose certificate may be accepted.
bool LoginProtected(std::string_view sent, const Handshake& handshake) {
    const std::size_t login = std::min(sent.find("USER "), sent.find("PASS "));
    if (login == std::string_view::npos)
        return true;
    return handshake.Acceptable() && sent.find(kTlsMark) < login;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t chunk = data[0] % 64 + 1;
    const auto security = static_cast<Pop3Security>(data[0] >> 6);
    std::size_t used = 1;
    std::uint8_t handshakeBits = 0;
    if (security != Pop3Security::Plain && size > 1)
        handshakeBits = data[used++];
    const Handshake handshake(handshakeBits);
    const std::string_view replies(reinterpret_cast<const char*>(data + used), size - used);
    ReplayedServer server(replies, chunk, handshake);
    SilentMailView view;
    MailCheckSettings settings;
    settings.host = "127.0.0.1";
    settings.user = "u";
    settings.password = "p";
    settings.tls.security = security;
    settings.tls.pin = handshake.pin;
    const MailCheckOutcome outcome = CheckMail(server, settings, view);
    if (!OnlyOurCommands(server.sent()))
        std::abort();
    if (security != Pop3Security::Plain && !LoginProtected(server.sent(), handshake))
        std::abort();
    if (outcome.stage == 0) {
        if (outcome.stat.count < 0 || outcome.stat.size < 0 ||
            outcome.text != MailStatusText(outcome.stat) || !server.sent().ends_with("QUIT\r\n")) {
            std::abort();
        }
    }
    return 0;
}
