#include "platform/posix_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "core/util/file_descriptor.h"
#include "core/util/win_error.h"
#include "platform/tls_channel.h"
#include "platform/winsock_errors.h"

namespace linkvane {
namespace {

constexpr std::chrono::milliseconds kLookupPollInterval{1000};
// The most that is thrown away before a TLS handshake; a server that sends more is refused.
constexpr std::size_t kMostDiscarded = 64 * 1024;

Error SocketError(int error) {
    return Fail("socket error", WinsockErrorOfErrno(error));
}

// A TCP stream; once StartTls succeeded, its reads and writes go through the TLS channel,
// which moves its records over the same stream's raw reads and writes.
class PosixStreamSocket final : public StreamSocket, private RawStream {
  public:
    PosixStreamSocket(int fd, BlockingWait& wait) : m_fd(fd), m_wait(wait) {}
    ~PosixStreamSocket() override { m_tls.reset(); }  // its close_notify goes out first

    std::uint32_t Connect(std::uint32_t address, std::uint16_t port) override {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = address;
        if (::connect(m_fd.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
            return 0;
        if (errno != EINPROGRESS)
            return WinsockErrorOfErrno(errno);
        const WaitResult waited =
            m_wait.Wait(m_fd.get(), WaitFor::Writable, PosixSocketLayer::kConnectLimit);
        if (waited == WaitResult::TimedOut)
            return win::kWsaTimedOut;
        if (waited == WaitResult::Failed)
            return WinsockErrorOfErrno(errno);
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(m_fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            return WinsockErrorOfErrno(errno);
        return error == 0 ? 0 : WinsockErrorOfErrno(error);
    }

    std::uint32_t Send(std::string_view bytes) override {
        if (m_broken)
            return win::kWsaConnectionReset;
        return m_tls ? m_tls->Send(bytes) : SendRaw(bytes);
    }

    Result<bool> WaitReadable(std::chrono::milliseconds limit) override {
        if (m_broken)
            return SocketError(ECONNRESET);
        return m_tls ? m_tls->WaitReadable(limit) : WaitRawReadable(limit);
    }

    Result<std::size_t> Receive(std::span<char> buffer) override {
        if (m_broken)
            return SocketError(ECONNRESET);
        return m_tls ? m_tls->Receive(buffer) : ReceiveRaw(buffer);
    }

    Result<TlsPeer> StartTls(std::string_view host, std::chrono::milliseconds limit) override {
        m_broken = true;  // until the handshake has succeeded
        if (m_tls)
            return Fail("TLS is already on", win::kWsaInvalidArgument);
        // Nothing the server sent before the handshake may be read as if it came after it.
        std::array<char, 4096> discard;
        for (std::size_t thrown = 0;; thrown += discard.size()) {
            Result<std::size_t> got = ReceiveRaw(discard);
            if (!got && got.error().code == win::kWsaWouldBlock)
                break;
            if (!got)
                return got.error();
            if (*got == 0)
                return Fail("the server closed the connection", win::kWsaConnectionReset);
            if (thrown > kMostDiscarded)
                return Fail("the server sent too much before the TLS handshake",
                            win::kWsaProtocolNotSupported);
        }
        Result<std::unique_ptr<TlsChannel>> channel = TlsChannel::Open(*this, host, limit);
        if (!channel)
            return channel.error();
        m_tls = std::move(*channel);
        m_broken = false;
        return m_tls->peer();
    }

  private:
    std::uint32_t SendRaw(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(m_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent >= 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                return WinsockErrorOfErrno(errno);
            if (m_wait.Wait(m_fd.get(), WaitFor::Writable, PosixSocketLayer::kConnectLimit) !=
                WaitResult::Ready) {
                return win::kWsaTimedOut;
            }
        }
        return 0;
    }

    Result<bool> WaitRawReadable(std::chrono::milliseconds limit) override {
        switch (m_wait.Wait(m_fd.get(), WaitFor::Readable, limit)) {
            case WaitResult::Ready:
                return true;
            case WaitResult::TimedOut:
                return false;
            case WaitResult::Failed:
                break;
        }
        return SocketError(errno);
    }

    Result<std::size_t> ReceiveRaw(std::span<char> buffer) override {
        for (;;) {
            const ssize_t got = ::recv(m_fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN)
                return Fail("nothing to read", win::kWsaWouldBlock);
            return SocketError(errno);
        }
    }

    FileDescriptor m_fd;
    BlockingWait& m_wait;
    std::unique_ptr<TlsChannel> m_tls;
    bool m_broken = false;  // a handshake failed: the stream carries nothing more
};

Result<std::uint32_t> LookUpByName(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (status != 0 || found == nullptr)
        return Fail("the host \"" + name + "\" cannot be resolved", WinsockErrorOfResolver(status));
    const std::uint32_t address =
        reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

}  // namespace

WaitResult PollWait::Wait(int fd, WaitFor what, std::chrono::milliseconds limit) {
    pollfd entry{fd, static_cast<short>(what == WaitFor::Readable ? POLLIN : POLLOUT), 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, static_cast<int>(limit.count()));
        if (ready > 0)
            return WaitResult::Ready;
        if (ready == 0)
            return WaitResult::TimedOut;
        if (errno != EINTR)
            return WaitResult::Failed;
    }
}

Result<std::uint32_t> ResolveHostIPv4(std::string_view host, BlockingWait& wait) {
    const std::string name(host);
    in_addr dotted{};
    if (::inet_aton(name.c_str(), &dotted) != 0)
        return dotted.s_addr;
    // A name server can take many seconds to answer: the helper thread looks the name up and
    // says so through a pipe, which the caller's wait watches.
    int done[2];
    if (::pipe2(done, O_CLOEXEC) != 0)
        return LookUpByName(name);
    const FileDescriptor doneRead(done[0]);
    FileDescriptor doneWrite(done[1]);
    std::optional<Result<std::uint32_t>> answer;
    std::thread helper;
    try {
        helper = std::thread([&name, &answer, &doneWrite] {
            answer = LookUpByName(name);
            const char signal = 1;
            WriteAll(doneWrite.get(), &signal, 1);
        });
    } catch (const std::system_error&) {
        return LookUpByName(name);  // no thread to be had: look it up here
    }
    while (wait.Wait(doneRead.get(), WaitFor::Readable, kLookupPollInterval) ==
           WaitResult::TimedOut) {
    }
    helper.join();  // also what makes the answer visible here
    return *answer;
}

Result<std::unique_ptr<StreamSocket>> PosixSocketLayer::CreateStreamSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return SocketError(errno);
    return std::unique_ptr<StreamSocket>(std::make_unique<PosixStreamSocket>(fd, m_wait));
}

}  // namespace linkvane
