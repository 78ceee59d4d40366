#include "core/clients/account_manager.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using AccountManager = ClientTest;

constexpr const char* kManagerKey = "\\Software\\Microsoft\\Internet Account Manager\\";

TEST(AccountKeyName, PadsToEightCharactersBelow256) {
    EXPECT_EQ(AccountKeyName(0), "00000000");
    EXPECT_EQ(AccountKeyName(1), "00000001");
    EXPECT_EQ(AccountKeyName(26), "0000001a");
    EXPECT_EQ(AccountKeyName(255), "000000ff");
    // Above that the six zeros stay in front: the same name is rebuilt on every run.
    EXPECT_EQ(AccountKeyName(256), "000000100");
}

TEST_F(AccountManager, ClaimsNumbersFromTheCounterOnceAndRewritesTheSameAccountsLater) {
    SetNumber(kManagerKey, "Account Name", 7);
    EXPECT_TRUE(ApplyAccountManagerAccounts(store(), DialUpProfile()));
    EXPECT_EQ(Dump(), R"([HKCU\Software\Kestrom]
"Mail"=dword:00000007
"News"=dword:00000008
[HKCU\Software\Microsoft\Internet Account Manager]
"Account Name"=dword:00000009
"Default Mail Account"=sz:"00000007"
"Default News Account"=sz:"00000008"
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000007]
"Account Name"=sz:"Current Email"
"Connection Type"=dword:00000002
"Connectoid"=sz:"Demon Dial"
"POP3 Port"=dword:0000006e
"POP3 Server"=sz:"pop3.demon.net"
"POP3 Timeout"=dword:0000003c
"POP3 Use Sicily"=dword:00000000
"POP3 User Name"=sz:"jsmith"
"SMTP Display Name"=sz:"John Smith"
"SMTP Email Address"=sz:"john@smith.demon.co.uk"
"SMTP Organization Name"=sz:"Smith & Co"
"SMTP Port"=dword:00000019
"SMTP Reply To Email Address"=sz:"john@smith.demon.co.uk"
"SMTP Server"=sz:"post.demon.net"
"SMTP Timeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000008]
"Account Name"=sz:"Current News"
"Connection Type"=dword:00000002
"Connectoid"=sz:"Demon Dial"
"NNTP Data Directory"=sz:"news.demon.net"
"NNTP Display Name"=sz:"John Smith"
"NNTP Email Address"=sz:"john@smith.demon.co.uk"
"NNTP Organization Name"=sz:"Smith & Co"
"NNTP Port"=dword:00000077
"NNTP Reply To Email Address"=sz:"john@smith.demon.co.uk"
"NNTP Server"=sz:"news.demon.net"
"NNTP Timeout"=dword:0000003c
"NNTP Use Sicily"=dword:00000000
)");

    // Another program took more accounts meanwhile; the kept numbers still win, and the counter
    // goes back to just past them. A LAN profile without news: no "Connectoid" is written (the
    // old one stays) and the news account and its default stay as they were.
    SetNumber(kManagerKey, "Account Name", 20);
    ActiveProfile lan = LanProfile();
    lan.nntpHost.clear();
    ApplyAccountManagerAccounts(store(), lan);
    EXPECT_EQ(Dump(), R"([HKCU\Software\Kestrom]
"Mail"=dword:00000007
"News"=dword:00000008
[HKCU\Software\Microsoft\Internet Account Manager]
"Account Name"=dword:00000008
"Default Mail Account"=sz:"00000007"
"Default News Account"=sz:"00000008"
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000007]
"Account Name"=sz:"Current Email"
"Connection Type"=dword:00000000
"Connectoid"=sz:"Demon Dial"
"POP3 Port"=dword:0000006e
"POP3 Server"=sz:"mail.office"
"POP3 Timeout"=dword:0000003c
"POP3 Use Sicily"=dword:00000000
"POP3 User Name"=sz:"js"
"SMTP Display Name"=sz:"J. Smith"
"SMTP Email Address"=sz:"js@office"
"SMTP Organization Name"=sz:"Office"
"SMTP Port"=dword:00000019
"SMTP Reply To Email Address"=sz:"js@office"
"SMTP Server"=sz:"smtp.office"
"SMTP Timeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000008]
"Account Name"=sz:"Current News"
"Connection Type"=dword:00000002
"Connectoid"=sz:"Demon Dial"
"NNTP Data Directory"=sz:"news.demon.net"
"NNTP Display Name"=sz:"John Smith"
"NNTP Email Address"=sz:"john@smith.demon.co.uk"
"NNTP Organization Name"=sz:"Smith & Co"
"NNTP Port"=dword:00000077
"NNTP Reply To Email Address"=sz:"john@smith.demon.co.uk"
"NNTP Server"=sz:"news.demon.net"
"NNTP Timeout"=dword:0000003c
"NNTP Use Sicily"=dword:00000000
)");

    SetNumber(kManagerKey, "Account Name", 30);
    ApplyAccountManagerAccounts(store(), LanProfile());
    COXRegistryItem manager(store(), kManagerKey);
    EXPECT_EQ(manager.GetNumberValue("Account Name"), 9u);
    EXPECT_EQ(manager.GetStringValue("Default News Account"), "00000008");
    COXRegistryItem news(store(), std::string(kManagerKey) + "Accounts\\00000008\\");
    EXPECT_EQ(news.GetStringValue("NNTP Server"), "news.office");
    EXPECT_EQ(news.GetNumberValue("Connection Type"), 0u);
}

TEST_F(AccountManager, AKeptNumberOfZeroCountsAsNoneAndEmptyIdentityIsWrittenEmpty) {
    ActiveProfile bare;
    bare.profileName = "Bare";
    bare.pop3Host = "pop.example";
    // No counter at all: the first account is 00000000 and "Mail" keeps 0, which the next run
    // takes for "none claimed" and claims 1 from the counter.
    ApplyAccountManagerAccounts(store(), bare);
    ApplyAccountManagerAccounts(store(), bare);
    EXPECT_EQ(Dump(), R"([HKCU\Software\Kestrom]
"Mail"=dword:00000001
[HKCU\Software\Microsoft\Internet Account Manager]
"Account Name"=dword:00000002
"Default Mail Account"=sz:"00000001"
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000000]
"Account Name"=sz:"Current Email"
"Connection Type"=dword:00000002
"Connectoid"=sz:"Bare"
"POP3 Port"=dword:0000006e
"POP3 Server"=sz:"pop.example"
"POP3 Timeout"=dword:0000003c
"POP3 Use Sicily"=dword:00000000
"POP3 User Name"=sz:""
"SMTP Display Name"=sz:""
"SMTP Email Address"=sz:""
"SMTP Organization Name"=sz:""
"SMTP Port"=dword:00000019
"SMTP Reply To Email Address"=sz:""
"SMTP Server"=sz:""
"SMTP Timeout"=dword:0000003c
[HKCU\Software\Microsoft\Internet Account Manager\Accounts\00000001]
"Account Name"=sz:"Current Email"
"Connection Type"=dword:00000002
"Connectoid"=sz:"Bare"
"POP3 Port"=dword:0000006e
"POP3 Server"=sz:"pop.example"
"POP3 Timeout"=dword:0000003c
"POP3 Use Sicily"=dword:00000000
"POP3 User Name"=sz:""
"SMTP Display Name"=sz:""
"SMTP Email Address"=sz:""
"SMTP Organization Name"=sz:""
"SMTP Port"=dword:00000019
"SMTP Reply To Email Address"=sz:""
"SMTP Server"=sz:""
"SMTP Timeout"=dword:0000003c
)");
}

}  // namespace
}  // namespace linkvane::testing
