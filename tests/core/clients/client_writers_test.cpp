// The writers of Internet Explorer, Internet Mail and News and the Account Manager: each run
// of a writer over the sample profiles as one golden registry export per client.
#include "core/clients/account_manager.h"
#include "core/clients/ie_settings.h"
#include "core/clients/mail_and_news.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using ClientWriters = ClientTest;

constexpr const char* kManagerKey = "\\Software\\Microsoft\\Internet Account Manager\\";

TEST_F(ClientWriters, InternetExplorerWritesStartPagesProxiesAndAutoDial) {
    EXPECT_TRUE(ApplyIESettings(store(), Active(DialUpProfile()), "Demon Dial"));
    std::string exports = "; dial-up profile\n" + Exported();
    // The entry comes from the profile list's text, which need not be the profile's name; the
    // LAN profile disables autodial and leaves the earlier proxies in place.
    EXPECT_TRUE(ApplyIESettings(store(), Active(LanProfile()), "Typed Entry"));
    exports += "; then a LAN profile\n" + Exported();
    // The proxy string joins the proxies that are set.
    exports += EachProxyCase({{"", "", "ftp.example.net", "21"},
                              {"http.example.net", "", "", ""},
                              {"http.example.net", "80a", "ftp.example.net", " 21"}},
                             [&](const ActiveProfile& profile) {
                                 ClearClientKeys();
                                 ApplyIESettings(store(), profile, "Entry");
                                 return Exported();
                             });
    ExpectGolden("core/clients/golden/ie_settings.reg", exports);
}

TEST_F(ClientWriters, MailAndNewsWritesDefaultsIdentityAndOneKeyPerServer) {
    std::string exports;
    // A dial-up profile names its entry; a LAN profile writes connection type 0 and no entry.
    for (const ProfileRecord& record : {DialUpProfile(), LanProfile()}) {
        ClearClientKeys();
        EXPECT_TRUE(ApplyMailAndNewsSettings(store(), Active(record)));
        exports += "; " + record.name + "\n" + Exported();
    }
    // SMTP only, without news or identity: the earlier POP3 default stays.
    ClearClientKeys();
    SetString("\\Software\\Microsoft\\Internet Mail and News\\Mail\\", "Default POP3 Server",
              "old.pop");
    ActiveProfile outbound;
    outbound.name = "Outbound";
    outbound.smtpHost = "smtp.example";
    ApplyMailAndNewsSettings(store(), outbound);
    exports += "; SMTP only\n" + Exported();
    ExpectGolden("core/clients/golden/mail_and_news.reg", exports);
}

TEST_F(ClientWriters, AccountManagerClaimsNumbersOnceAndRewritesTheSameAccountsLater) {
    SetNumber(kManagerKey, "Account Name", 7);
    EXPECT_TRUE(ApplyAccountManagerAccounts(store(), Active(DialUpProfile())));
    std::string exports = "; counter at 7, dial-up profile\n" + Exported();

    // Another program took more accounts meanwhile; the kept numbers still win, and the counter
    // goes back to just past them. A LAN profile without news: no "Connectoid" is written (the
    // old one stays) and the news account and its default stay as they were.
    SetNumber(kManagerKey, "Account Name", 20);
    ProfileRecord lan = LanProfile();
    lan.nntpHost.clear();
    ApplyAccountManagerAccounts(store(), Active(lan));
    exports += "; counter at 20, LAN profile without news\n" + Exported();

    SetNumber(kManagerKey, "Account Name", 30);
    ApplyAccountManagerAccounts(store(), Active(LanProfile()));
    exports += "; counter at 30, LAN profile\n" + Exported();

    // No counter at all: the first account is 00000000 and "Mail" keeps 0, which the next run
    // takes for "none claimed" and claims 1 from the counter. Empty identity is written empty.
    ClearClientKeys();
    ActiveProfile bare;
    bare.name = "Bare";
    bare.pop3Host = "pop.example";
    ApplyAccountManagerAccounts(store(), bare);
    ApplyAccountManagerAccounts(store(), bare);
    exports += "; no counter, twice a profile with only a POP3 server\n" + Exported();

    // Names are eight hex digits below 256; above, the six zeros stay in front, so the same
    // name is rebuilt on every run.
    ClearClientKeys();
    SetNumber(kManagerKey, "Account Name", 255);
    bare.nntpHost = "news.example";
    ApplyAccountManagerAccounts(store(), bare);
    exports += "; counter at 255, mail and news\n" + Exported();
    ExpectGolden("core/clients/golden/account_manager.reg", exports);
}

}  // namespace
}  // namespace linkvane::testing
