#pragma once

// TLS for the mail check, with OpenSSL 3: a client session over a TCP stream whose bytes the
// stream itself moves (RawStream), so that every wait goes through the stream's BlockingWait
// and no write can raise SIGPIPE.
//
// The handshake judges nothing: it reports the server certificate's SHA-256 fingerprint,
// whether its chain verifies against OpenSSL's default verify paths (the system's trust
// store, or SSL_CERT_FILE and SSL_CERT_DIR when they are set), and whether it is issued for
// the host (its names, or its IP addresses for a dotted address). TLS 1.2 or later; the host
// name goes in the handshake (SNI).
//
// Errors are Windows Sockets numbers: 10060 when the limit passes, 10054 when the server
// closes, 10043 with OpenSSL's reason for anything else in the handshake or the records.
// Owns its OpenSSL objects and borrows the stream. One thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/connection/network.h"

namespace linkvane {

// The plain TCP stream under TLS.
class RawStream {
  public:
    virtual ~RawStream() = default;
    virtual std::uint32_t SendRaw(std::string_view bytes) = 0;  // all of it; 0 or the error
    virtual Result<bool> WaitRawReadable(std::chrono::milliseconds limit) = 0;
    // What is there: the count, 0 when the peer closed, error 10035 when nothing is.
    virtual Result<std::size_t> ReceiveRaw(std::span<char> buffer) = 0;
};

class TlsChannel {
  public:
    // Handshakes as the client of host, within limit.
    static Result<std::unique_ptr<TlsChannel>> Open(RawStream& stream, std::string_view host,
                                                    std::chrono::milliseconds limit);
    ~TlsChannel();  // sends close_notify, without waiting for the server's
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    const TlsPeer& peer() const { return m_peer; }
    std::uint32_t Send(std::string_view bytes);
    Result<bool> WaitReadable(std::chrono::milliseconds limit);
    Result<std::size_t> Receive(std::span<char> buffer);

    struct Session;  // OpenSSL's objects

  private:
    explicit TlsChannel(RawStream& stream);

    RawStream& m_stream;
    std::unique_ptr<Session> m_session;
    TlsPeer m_peer;
    std::string m_ready;  // decrypted bytes not yet received
    bool m_closed = false;
};

}  // namespace linkvane
