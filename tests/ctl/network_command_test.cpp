// linkvanectl ping and mail check, run as a script runs them, against loopback servers.

#include <gtest/gtest.h>

#include "ctl_test_support.h"
#include "tools/dovecot_server.h"
#include "tools/pop3_script_server.h"
#include "tools/tun_echo_host.h"

namespace linkvane::testing {
namespace {

using json = nlohmann::json;

class NetworkCommandTest : public CtlTest {
  protected:
    void StoreProfile(const std::string& password) {
        RunOk({"profile", "set", "Demon Dial", "POP3Host", "127.0.0.1"});
        RunOk({"profile", "set", "Demon Dial", "Username", "one"});
        RunOk({"profile", "set", "Demon Dial", "EPassword", password});
    }
};

TEST_F(NetworkCommandTest, PingPrintsTheLabelOrJsonAndFailsWithTheStatus) {
    EnterPrivateNetwork(true);  // linkvanectl runs in it too
    const CtlResult text = Run({"ping", "127.0.0.1"});
    EXPECT_EQ(text.exitCode, 0) << text;
    EXPECT_NE(text.out.find("ms ( "), std::string::npos) << text;
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

TEST_F(NetworkCommandTest, MailCheckReportsCountsAndFailuresWithoutThePassword) {
    DovecotServer dovecot({{"one", "s3cret", {MessageOfSize(400)}}});
    StoreProfile("s3cret");
    const std::string port = std::to_string(dovecot.port());
    EXPECT_EQ(
        RunJson({"mail", "check", "Demon Dial", "--port", port, "--json"}),
        json::parse(R"j({"ok":true,"count":1,"size":400,"text":"1 New Message (400 bytes)"})j"));
    const CtlResult text = Run({"mail", "check", "Demon Dial", "--port", port});
    EXPECT_EQ(text.out, "1 New Message (400 bytes)\n");

    // (The password is masked in core, whose table shows a server that repeats it.)
    StoreProfile("wrong");
    const CtlResult wrong = Run({"mail", "check", "Demon Dial", "--port", port, "--json"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.Json(), json::parse(R"({"ok":false,"stage":551,"error":10043,
                                             "lastResponse":"-ERR [AUTH] Authentication failed."})"));
}

}  // namespace
}  // namespace linkvane::testing
