#pragma once

// What the keep-alive ping and the mail check need from the network, declared here and given
// by the platform: one wait that every blocking network call spends its time in, IPv4 name
// resolution, and TCP stream sockets that can turn to TLS. Errors are Windows Sockets numbers
// (win_error.h).
//
// An object of these classes belongs to one thread at a time; none of them is shared.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/util/result.h"

namespace linkvane {

enum class WaitFor { Readable, Writable };
enum class WaitResult { Ready, TimedOut, Failed };

// How a blocking network call waits for a file descriptor. The command line simply polls; the
// window waits in a local event loop that keeps painting and handling posted events, but no
// user input. Ready must come as soon as the descriptor is ready (or has an error or hang-up
// pending), not at the end of the limit.
class BlockingWait {
  public:
    virtual ~BlockingWait() = default;
    virtual WaitResult Wait(int fd, WaitFor what, std::chrono::milliseconds limit) = 0;
};

// What a TLS handshake learned of the server's certificate. The stream does not judge it:
// whether to go on is the caller's decision, made before it sends anything.
struct TlsPeer {
    std::string fingerprint;   // SHA-256 of the certificate, "AB:CD:..." (mail_security.h)
    bool trusted = false;      // its chain verifies against the system's trust store
    bool hostMatches = false;  // it is issued for the host name or address asked for
};

// One connected-or-connecting TCP stream. The destructor closes it.
class StreamSocket {
  public:
    virtual ~StreamSocket() = default;
    // address in network byte order; port in host order. 0 or the error.
    virtual std::uint32_t Connect(std::uint32_t address, std::uint16_t port) = 0;
    // Sends all of bytes. 0 or the error.
    virtual std::uint32_t Send(std::string_view bytes) = 0;
    // Whether data (or the end of the stream) can be read, waiting up to limit for it.
    virtual Result<bool> WaitReadable(std::chrono::milliseconds limit) = 0;
    // Receives what is there into buffer: the count, 0 when the peer closed the stream.
    virtual Result<std::size_t> Receive(std::span<char> buffer) = 0;
    // Turns the stream to TLS as the client of host, taking at most limit for the handshake.
    // Bytes received before it and not yet read are thrown away first: nothing vouches for
    // them. From then on Send, WaitReadable and Receive carry the encrypted stream. After a
    // failure (10060 when the limit passed, 10054 when the server closed, otherwise the
    // handshake's own error) the stream is no longer usable.
    virtual Result<TlsPeer> StartTls(std::string_view host, std::chrono::milliseconds limit) = 0;
};

class SocketLayer {
  public:
    virtual ~SocketLayer() = default;
    virtual Result<std::unique_ptr<StreamSocket>> CreateStreamSocket() = 0;
    // The host as a dotted IPv4 address, or else its first IPv4 address by name (network
    // byte order). The resolver's error when neither works.
    virtual Result<std::uint32_t> ResolveIPv4(std::string_view host) = 0;
};

}  // namespace linkvane
