// Feeds arbitrary bytes as a POP3 server's replies to a whole mail check, through an in-memory
// stream in chunks of the first byte's size. The check must never crash or hang, must send
// nothing but its own command lines, and a reported count and size must be what the STAT
// parse makes of some reply.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/connection/mail_check.h"

namespace {

using namespace linkvane;

class ReplayedStream final : public StreamSocket {
  public:
    ReplayedStream(std::string_view replies, std::size_t chunk, std::string& sent)
        : m_replies(replies), m_chunk(chunk), m_sent(sent) {}
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

  private:
    std::string_view m_replies;
    std::size_t m_chunk;
    std::string& m_sent;
};

class ReplayedServer final : public SocketLayer {
  public:
    ReplayedServer(std::string_view replies, std::size_t chunk)
        : m_replies(replies), m_chunk(chunk) {}
    Result<std::unique_ptr<StreamSocket>> CreateStreamSocket() override {
        return std::unique_ptr<StreamSocket>(
            std::make_unique<ReplayedStream>(m_replies, m_chunk, m_sent));
    }
    Result<std::uint32_t> ResolveIPv4(std::string_view) override { return 0x0100007Fu; }
    const std::string& sent() const { return m_sent; }

  private:
    std::string_view m_replies;
    std::size_t m_chunk;
    std::string m_sent;
};

bool OnlyOurCommands(std::string_view sent) {
    static constexpr std::string_view kCommands[] = {"USER u\r\n", "PASS p\r\n", "NOOP\r\n",
                                                     "STAT\r\n", "QUIT\r\n"};
    while (!sent.empty()) {
        const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                        [&](std::string_view c) { return sent.starts_with(c); });
        if (known == std::end(kCommands))
            return false;
        sent.remove_prefix(known->size());
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t chunk = data[0] % 64 + 1;
    const std::string_view replies(reinterpret_cast<const char*>(data + 1), size - 1);
    ReplayedServer server(replies, chunk);
    SilentMailView view;
    MailCheckSettings settings;
    settings.host = "127.0.0.1";
    settings.user = "u";
    settings.password = "p";
    const MailCheckOutcome outcome = CheckMail(server, settings, view);
    if (!OnlyOurCommands(server.sent()))
        std::abort();
    if (outcome.stage == 0) {
        if (outcome.stat.count < 0 || outcome.stat.size < 0 ||
            outcome.text != MailStatusText(outcome.stat) || !server.sent().ends_with("QUIT\r\n")) {
            std::abort();
        }
    }
    return 0;
}
