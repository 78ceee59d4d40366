#include "platform/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <array>
#include <optional>

#include "core/profiles/mail_security.h"
#include "core/util/win_error.h"
#include "platform/dynamic_library.h"

namespace linkvane {

namespace {

// libssl and libcrypto are loaded at the first TLS session rather than at start-up: a run
// that never checks mail over TLS does not carry them. Loaded once for the process and never
// unloaded; unchanged afterwards, so any thread may use them.
#define LINKVANE_OPENSSL_FUNCTIONS(X)        \
    X(crypto, ERR_get_error)                 \
    X(crypto, ERR_error_string_n)            \
    X(crypto, ERR_clear_error)               \
    X(crypto, BIO_ctrl)                      \
    X(crypto, BIO_read)                      \
    X(crypto, BIO_write)                     \
    X(crypto, BIO_new)                       \
    X(crypto, BIO_free)                      \
    X(crypto, BIO_s_mem)                     \
    X(crypto, X509_digest)                   \
    X(crypto, EVP_sha256)                    \
    X(crypto, X509_check_ip_asc)             \
    X(crypto, X509_check_host)               \
    X(crypto, X509_free)                     \
    X(ssl, SSL_CTX_new)                      \
    X(ssl, TLS_client_method)                \
    X(ssl, SSL_CTX_ctrl)                     \
    X(ssl, SSL_CTX_set_default_verify_paths) \
    X(ssl, SSL_CTX_set_verify)               \
    X(ssl, SSL_CTX_set_options)              \
    X(ssl, SSL_new)                          \
    X(ssl, SSL_set_bio)                      \
    X(ssl, SSL_ctrl)                         \
    X(ssl, SSL_set_connect_state)            \
    X(ssl, SSL_do_handshake)                 \
    X(ssl, SSL_get_error)                    \
    X(ssl, SSL_get1_peer_certificate)        \
    X(ssl, SSL_get_verify_result)            \
    X(ssl, SSL_shutdown)                     \
    X(ssl, SSL_write_ex)                     \
    X(ssl, SSL_read_ex)                      \
    X(ssl, SSL_free)                         \
    X(ssl, SSL_CTX_free)

struct OpenSsl {
#define LINKVANE_OPENSSL_MEMBER(library, name) decltype(&::name) name = nullptr;
    LINKVANE_OPENSSL_FUNCTIONS(LINKVANE_OPENSSL_MEMBER)
#undef LINKVANE_OPENSSL_MEMBER
};

std::optional<OpenSsl> LoadOpenSsl() {
    void* crypto = ::dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
    void* ssl = ::dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL);
    OpenSsl found;
    bool complete = true;
#define LINKVANE_OPENSSL_FIND(library, name) \
    complete = FindFunction(library, #name, found.name) && complete;
    LINKVANE_OPENSSL_FUNCTIONS(LINKVANE_OPENSSL_FIND)
#undef LINKVANE_OPENSSL_FIND
    if (!complete)
        return std::nullopt;
    return found;
}

// nullptr when the libraries or one of their functions cannot be had.
const OpenSsl* LoadedOpenSsl() {
    static const std::optional<OpenSsl> loaded = LoadOpenSsl();
    return loaded ? &*loaded : nullptr;
}

// The loaded functions; only called once a session has been set up with them.
const OpenSsl& Ssl() {
    return *LoadedOpenSsl();
}

}  // namespace

// OpenSSL reads the server's records from `incoming` and writes its own to `outgoing`; the
// channel moves them between these memory buffers and the stream.
struct TlsChannel::Session {
    ~Session() {
        if (context == nullptr)
            return;           // nothing was made (OpenSSL may not even be loaded)
        Ssl().SSL_free(ssl);  // frees both buffers too
        Ssl().SSL_CTX_free(context);
    }
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    BIO* incoming = nullptr;
    BIO* outgoing = nullptr;
    bool established = false;
    bool streamEnded = false;  // the server closed the TCP stream
};

namespace {

using Clock = std::chrono::steady_clock;
using Chunk = std::array<char, 16 * 1024>;

enum class Step { Done, Closed, TimedOut };

Error TlsError(const std::string& what) {
    std::string message = "TLS: " + what;
    if (const unsigned long code = Ssl().ERR_get_error(); code != 0) {
        std::array<char, 256> reason{};
        Ssl().ERR_error_string_n(code, reason.data(), reason.size());
        message += std::string(" (") + reason.data() + ")";
    }
    Ssl().ERR_clear_error();
    return Fail(message, win::kWsaProtocolNotSupported);
}

// What reading an empty memory buffer answers: -1 "try again", 0 the end of the stream
// (BIO_set_mem_eof_return, whose macro casts in C style).
void SetEndOfInput(BIO* buffer, long answer) {
    Ssl().BIO_ctrl(buffer, BIO_C_SET_BUF_MEM_EOF_RETURN, answer, nullptr);
}

bool IsDottedAddress(const std::string& host) {
    in_addr address{};
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1;
}

std::string Fingerprint(X509* certificate) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (Ssl().X509_digest(certificate, Ssl().EVP_sha256(), digest.data(), &size) != 1)
        return "";
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return NormalizeFingerprint(hex).value_or("");
}

bool IssuedFor(X509* certificate, const std::string& host) {
    if (IsDottedAddress(host))
        return Ssl().X509_check_ip_asc(certificate, host.c_str(), 0) == 1;
    return Ssl().X509_check_host(certificate, host.data(), host.size(),
                                 X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr) == 1;
}

// Sends what OpenSSL has written. 0 or the stream's error.
std::uint32_t Flush(BIO* outgoing, RawStream& stream) {
    Chunk chunk;
    for (int got; (got = Ssl().BIO_read(outgoing, chunk.data(), chunk.size())) > 0;) {
        const auto bytes = std::string_view(chunk.data(), static_cast<std::size_t>(got));
        if (const std::uint32_t error = stream.SendRaw(bytes); error != 0)
            return error;
    }
    return 0;
}

// Gives OpenSSL what the server sent, waiting for it until deadline: true when bytes (or the
// end of the stream) came, false when nothing came in time.
Result<bool> Fill(TlsChannel::Session& session, RawStream& stream, Clock::time_point deadline) {
    Chunk chunk;
    for (;;) {
        Result<std::size_t> got = stream.ReceiveRaw(chunk);
        if (got) {
            if (*got == 0) {
                session.streamEnded = true;
                SetEndOfInput(session.incoming, 0);  // OpenSSL now reads the end
            } else {
                Ssl().BIO_write(session.incoming, chunk.data(), static_cast<int>(*got));
            }
            return true;
        }
        if (got.error().code != win::kWsaWouldBlock)
            return got.error();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        Result<bool> ready = stream.WaitRawReadable(left);
        if (!ready || !*ready)
            return ready;
    }
}

// Runs op (an OpenSSL call) until it succeeds, moving records both ways meanwhile.
template <typename Op>
Result<Step> Drive(TlsChannel::Session& session, RawStream& stream, Clock::time_point deadline,
                   Op op) {
    for (;;) {
        Ssl().ERR_clear_error();
        const int result = op();
        if (const std::uint32_t error = Flush(session.outgoing, stream); error != 0)
            return Fail("the TLS records could not be sent", error);
        if (result > 0)
            return Step::Done;
        const int error = Ssl().SSL_get_error(session.ssl, result);
        if (error == SSL_ERROR_ZERO_RETURN)
            return Step::Closed;
        if (error != SSL_ERROR_WANT_READ) {
            if (session.streamEnded)
                return Step::Closed;  // the stream ended inside a record
            return TlsError("the secure connection failed");
        }
        Result<bool> filled = Fill(session, stream, deadline);
        if (!filled)
            return filled.error();
        if (!*filled)
            return Step::TimedOut;
    }
}

}  // namespace

TlsChannel::TlsChannel(RawStream& stream)
    : m_stream(stream), m_session(std::make_unique<Session>()) {}

TlsChannel::~TlsChannel() {
    if (m_session->established && !m_closed) {
        Ssl().SSL_shutdown(m_session->ssl);
        Flush(m_session->outgoing, m_stream);
    }
}

Result<std::unique_ptr<TlsChannel>> TlsChannel::Open(RawStream& stream, std::string_view host,
                                                     std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    if (LoadedOpenSsl() == nullptr)
        return Fail("TLS: OpenSSL 3 (libssl.so.3) cannot be loaded", win::kWsaProtocolNotSupported);
    std::unique_ptr<TlsChannel> channel(new TlsChannel(stream));
    Session& session = *channel->m_session;
    session.context = Ssl().SSL_CTX_new(Ssl().TLS_client_method());
    if (session.context == nullptr ||
        Ssl().SSL_CTX_ctrl(session.context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION,
                           nullptr) != 1 ||
        Ssl().SSL_CTX_set_default_verify_paths(session.context) != 1) {
        return TlsError("cannot be set up");
    }
    // The certificate is judged by the caller, from what peer() reports.
    Ssl().SSL_CTX_set_verify(session.context, SSL_VERIFY_NONE, nullptr);
    Ssl().SSL_CTX_set_options(session.context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    session.ssl = Ssl().SSL_new(session.context);
    if (session.ssl == nullptr)
        return TlsError("cannot be set up");
    session.incoming = Ssl().BIO_new(Ssl().BIO_s_mem());
    session.outgoing = Ssl().BIO_new(Ssl().BIO_s_mem());
    if (session.incoming == nullptr || session.outgoing == nullptr) {
        Ssl().BIO_free(session.incoming);
        Ssl().BIO_free(session.outgoing);
        return TlsError("cannot be set up");
    }
    SetEndOfInput(session.incoming, -1);  // empty means "wait", not "ended"
    Ssl().SSL_set_bio(session.ssl, session.incoming, session.outgoing);
    const std::string name(host);
    if (!IsDottedAddress(name)) {
        // SSL_set_tlsext_host_name, without its macro's C-style cast.
        Ssl().SSL_ctrl(session.ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                       const_cast<char*>(name.c_str()));
    }
    Ssl().SSL_set_connect_state(session.ssl);

    Result<Step> step =
        Drive(session, stream, deadline, [&] { return Ssl().SSL_do_handshake(session.ssl); });
    if (!step)
        return step.error();
    if (*step == Step::TimedOut)
        return Fail("the TLS handshake timed out", win::kWsaTimedOut);
    if (*step == Step::Closed)
        return Fail("the server closed the connection in the TLS handshake",
                    win::kWsaConnectionReset);
    session.established = true;
    X509* certificate = Ssl().SSL_get1_peer_certificate(session.ssl);
    if (certificate == nullptr)
        return TlsError("the server showed no certificate");
    channel->m_peer.fingerprint = Fingerprint(certificate);
    channel->m_peer.trusted = Ssl().SSL_get_verify_result(session.ssl) == X509_V_OK;
    channel->m_peer.hostMatches = IssuedFor(certificate, name);
    Ssl().X509_free(certificate);
    return channel;
}

std::uint32_t TlsChannel::Send(std::string_view bytes) {
    std::size_t written = 0;
    Ssl().ERR_clear_error();
    if (!bytes.empty() &&
        Ssl().SSL_write_ex(m_session->ssl, bytes.data(), bytes.size(), &written) != 1) {
        Ssl().ERR_clear_error();
        return win::kWsaConnectionReset;
    }
    return Flush(m_session->outgoing, m_stream);
}

Result<bool> TlsChannel::WaitReadable(std::chrono::milliseconds limit) {
    if (!m_ready.empty() || m_closed)
        return true;
    Chunk chunk;
    std::size_t got = 0;
    Result<Step> step = Drive(*m_session, m_stream, Clock::now() + limit, [&] {
        return Ssl().SSL_read_ex(m_session->ssl, chunk.data(), chunk.size(), &got);
    });
    if (!step)
        return step.error();
    if (*step == Step::TimedOut)
        return false;
    if (*step == Step::Closed)
        m_closed = true;
    else
        m_ready.append(chunk.data(), got);
    return true;
}

Result<std::size_t> TlsChannel::Receive(std::span<char> buffer) {
    if (m_ready.empty()) {
        if (m_closed)
            return std::size_t{0};
        return Fail("nothing to read", win::kWsaWouldBlock);
    }
    const std::size_t count = std::min(buffer.size(), m_ready.size());
    std::copy_n(m_ready.begin(), count, buffer.begin());
    m_ready.erase(0, count);
    return count;
}

}  // namespace linkvane
