// TLS on the platform's TCP streams, against the scripted POP3 server acting as a TLS server
// with certificates made for the test: what the handshake reports of each certificate, that
// bytes sent before the handshake are thrown away rather than read as TLS, and how a
// handshake that cannot succeed ends. (Replies over TLS are read in the mail check's tests.)

#include <gtest/gtest.h>
#include <stdlib.h>

#include "core/util/win_error.h"
#include "platform/posix_sockets.h"
#include "tools/pop3_script_server.h"
#include "tools/test_certificates.h"

namespace linkvane {
namespace {

using namespace std::chrono_literals;
using testing::HangUp;
using testing::Hear;
using testing::Pause;
using testing::Say;
using testing::StartTls;

TEST(TlsChannel, ReportsTheCertificateAfterThrowingAwayWhatCameBefore) {
    testing::TestCertificates certificates;
    ::setenv("SSL_CERT_FILE", certificates.authority().c_str(), 1);
    const struct {
        const char* name;
        const testing::CertificateFiles* certificate =
            nullptr;  // nullptr: the server speaks no TLS
        const char* host = "127.0.0.1";
        bool trusted = false;
        bool hostMatches = false;
        std::uint32_t error = 0;
        std::vector<testing::ServerStep> instead = {};  // what a server without TLS does
    } cases[] = {
        {"by address", &certificates.localhost, "127.0.0.1", true, true},
        {"by name", &certificates.localhost, "localhost", true, true},
        {"issued for another name", &certificates.elsewhere, "127.0.0.1", true, false},
        {"self-signed", &certificates.selfSigned, "127.0.0.1", false, true},
        {.name = "clear text after the handshake began",
         .error = win::kWsaProtocolNotSupported,
         .instead = {Pause(300ms), Say("+OK not TLS\r\n"), Pause(300ms)}},
        {.name = "no answer to the handshake",
         .error = win::kWsaTimedOut,
         .instead = {Pause(1500ms)}},
        {.name = "closed", .error = win::kWsaConnectionReset, .instead = {HangUp()}},
    };
    PollWait wait;
    PosixSocketLayer sockets(wait);
    for (const auto& c : cases) {
        std::vector<testing::ServerStep> script{Say("+OK forged\r\n")};
        if (c.certificate != nullptr) {
            script.insert(script.end(), {StartTls(*c.certificate), Hear()});
        } else {
            script.insert(script.end(), c.instead.begin(), c.instead.end());
        }
        testing::ScriptedPop3Server server(script);
        std::unique_ptr<StreamSocket> socket = std::move(sockets.CreateStreamSocket().value());
        ASSERT_EQ(socket->Connect(*sockets.ResolveIPv4("127.0.0.1"), server.port()), 0u);
        ASSERT_EQ(socket->WaitReadable(2s).value(), true) << c.name;  // "+OK forged" is here
        // A handshake that gets no answer waits 300 ms for nothing; the others have 2 s.
        const auto limit = c.error == win::kWsaTimedOut ? 300ms : 2000ms;
        Result<TlsPeer> peer = socket->StartTls(c.host, limit);
        if (c.error != 0) {
            ASSERT_FALSE(peer) << c.name;
            EXPECT_EQ(peer.error().code, c.error) << c.name << ": " << peer.error().message;
            EXPECT_NE(socket->Send("USER joe\r\n"), 0u) << c.name;  // the stream is done
            continue;
        }
        ASSERT_TRUE(peer) << c.name << ": " << peer.error().message;
        EXPECT_EQ(peer->trusted, c.trusted) << c.name;
        EXPECT_EQ(peer->hostMatches, c.hostMatches) << c.name;
        EXPECT_EQ(peer->fingerprint, c.certificate->fingerprint) << c.name;
        EXPECT_EQ(socket->Send("CAPA\r\n"), 0u);
        socket.reset();
        EXPECT_EQ(server.Heard(), (std::vector<std::string>{"(TLS)", "CAPA"})) << c.name;
    }
    ::unsetenv("SSL_CERT_FILE");
}

}  // namespace
}  // namespace linkvane
