// linkvanectl ping and mail check, run as a script runs them, against loopback servers.

#include <gtest/gtest.h>

#include <cctype>

#include "ctl_test_support.h"
#include "tools/dovecot_server.h"
#include "tools/pop3_script_server.h"
#include "tools/test_certificates.h"
#include "tools/tun_echo_host.h"

namespace linkvane::testing {
namespace {

using json = nlohmann::json;

using NetworkCommandTest = CtlTest;

TEST_F(NetworkCommandTest, PingPrintsTheLabelOrJsonAndFailsWithTheStatus) {
    EnterPrivateNetwork(true);  // linkvanectl runs in it too
    const std::string text = RunOk({"ping", "127.0.0.1"}).out;
    EXPECT_NE(text.find("ms ( "), std::string::npos) << text;
    const json reply = RunJson({"ping", "127.0.0.1", "--json"});
    EXPECT_EQ(reply["ok"], true);
    EXPECT_EQ(reply["address"], "127.0.0.1");
    EXPECT_TRUE(reply["rttMs"].is_number_unsigned());
    // The private network has no route to any other address.
    const CtlResult failed = Run({"ping", "192.0.2.9", "--json"});
    EXPECT_EQ(failed.exitCode, 1) << failed;
    EXPECT_EQ(failed.Json(),
              json::parse(R"({"ok":false,"error":11002,"text":"network unreachable"})"));
    const CtlResult label = Run({"ping", "192.0.2.9"});
    EXPECT_EQ(label.out, "Ping Error: 11002ms\n");
    EXPECT_EQ(label.err, "linkvanectl: network unreachable (code 11002)\n");
}

// A mail check prints the count, or why it failed (with --json the stage, the error and the
// server's last words; exit 1). A certificate the system does not trust is refused with its
// fingerprint; accepted once on the command line (in any spelling), it is pinned, and another
// certificate is then refused. (The password is masked in core, whose table shows a server that
// repeats it.)
TEST_F(NetworkCommandTest, MailCheckReportsCountsFailuresAndPinsAnAcceptedCertificate) {
    const TestCertificates certificates;
    DovecotServer dovecot({{"one", "s3cret", {MessageOfSize(400)}}}, &certificates.selfSigned);
    for (const auto& [name, value] : {std::pair{"POP3Host", "127.0.0.1"},
                                      {"Username", "one"},
                                      {"EPassword", "s3cret"},
                                      {"POP3Security", "plain"}})
        RunOk({"profile", "set", "Demon Dial", name, value});
    const std::string port = std::to_string(dovecot.port());
    const std::vector<std::string> check{"mail", "check", "Demon Dial", "--port", port};
    EXPECT_EQ(RunJson({"mail", "check", "Demon Dial", "--port", port, "--json"}),
              json::parse(R"j({"ok":true,"security":"plain","count":1,"size":400,
                               "text":"1 New Message (400 bytes)"})j"));
    EXPECT_EQ(RunOk(check).out, "1 New Message (400 bytes)\n");
    ScriptedPop3Server refusing({Say("+OK ready\r\n"), Hear(), Say("+OK\r\n"), Hear(),
                                 Say("-ERR [AUTH] Authentication failed.\r\n"), Hear(),
                                 Say("+OK\r\n")});
    const CtlResult wrong =
        Run({"mail", "check", "Demon Dial", "--port", std::to_string(refusing.port()), "--json"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.Json(), json::parse(R"({"ok":false,"security":"plain","stage":551,"error":10043,
                                             "lastResponse":"-ERR [AUTH] Authentication failed."})"));

    RunOk({"profile", "set", "Demon Dial", "POP3Security", "stls"});
    const std::string& print = certificates.selfSigned.fingerprint;
    const CtlResult refused = Run(check);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out,
              "certificate not trusted: the certificate of 127.0.0.1 is not signed by an "
              "authority this system trusts.\nSHA-256 fingerprint: " +
                  print +
                  "\nIf that is your server's certificate, accept it with: linkvanectl mail "
                  "check \"Demon Dial\" --accept-fingerprint " +
                  print + "\n");
    std::string spelled;
    for (const char c : print)
        spelled += c == ':' ? std::string() : std::string(1, static_cast<char>(std::tolower(c)));
    EXPECT_EQ(RunJson({"mail", "check", "Demon Dial", "--port", port, "--accept-fingerprint",
                       spelled, "--json"}),
              json::parse(R"j({"ok":true,"security":"stls","count":1,"size":400,
                               "text":"1 New Message (400 bytes)","fingerprint":")j" +
                          print + R"(","pinned":")" + print + R"("})"));
    EXPECT_EQ(RunJson({"profile", "show", "Demon Dial", "--json"})["POP3Pin"], print);
    EXPECT_EQ(RunOk(check).out, "1 New Message (400 bytes)\n");

    // The server then shows another certificate than the one pinned.
    const std::string& other = certificates.localhost.fingerprint;
    RunOk({"profile", "set", "Demon Dial", "POP3Pin", other});
    const CtlResult changed = Run(check);
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_EQ(changed.out,
              "certificate changed: 127.0.0.1 showed another certificate than the one pinned for "
              "this profile.\nPinned SHA-256 fingerprint: " +
                  other + "\nSHA-256 fingerprint: " + print + "\n");
}

}  // namespace
}  // namespace linkvane::testing
