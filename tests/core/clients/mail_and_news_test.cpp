#include "core/clients/mail_and_news.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using MailAndNews = ClientTest;

TEST_F(MailAndNews, WritesDefaultsIdentityAndOneKeyPerServer) {
    std::string exports;
    // A dial-up profile names its entry; a LAN profile writes connection type 0 and no entry.
    for (const ProfileRecord& record : {DialUpProfile(), LanProfile()}) {
        ClearClientKeys();
        EXPECT_TRUE(ApplyMailAndNewsSettings(store(), Active(record)));
        exports += "; " + record.name + "\n" + Exported();
    }
    ExpectGolden("core/clients/golden/mail_and_news.reg", exports);
}

TEST_F(MailAndNews, SmtpOnlyWithoutNewsOrIdentityKeepsTheEarlierPop3Default) {
    SetString("\\Software\\Microsoft\\Internet Mail and News\\Mail\\", "Default POP3 Server",
              "old.pop");
    ActiveProfile profile;
    profile.name = "Outbound";
    profile.smtpHost = "smtp.example";
    ApplyMailAndNewsSettings(store(), profile);
    ExpectGolden("core/clients/golden/mail_and_news_smtp_only.reg", Exported());
}

}  // namespace
}  // namespace linkvane::testing
