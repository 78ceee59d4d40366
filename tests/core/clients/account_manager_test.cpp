#include "core/clients/account_manager.h"

#include "client_test_support.h"

namespace linkvane::testing {
namespace {

using AccountManager = ClientTest;

constexpr const char* kManagerKey = "\\Software\\Microsoft\\Internet Account Manager\\";

TEST(AccountKeyName, PadsToEightCharactersBelow256) {
    EXPECT_EQ(AccountKeyName(0), "00000000");
    EXPECT_EQ(AccountKeyName(26), "0000001a");
    EXPECT_EQ(AccountKeyName(255), "000000ff");
    // Above that the six zeros stay in front: the same name is rebuilt on every run.
    EXPECT_EQ(AccountKeyName(256), "000000100");
}

TEST_F(AccountManager, ClaimsNumbersFromTheCounterOnceAndRewritesTheSameAccountsLater) {
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
    ExpectGolden("core/clients/golden/account_manager.reg", exports);
}

TEST_F(AccountManager, AKeptNumberOfZeroCountsAsNoneAndEmptyIdentityIsWrittenEmpty) {
    ActiveProfile bare;
    bare.name = "Bare";
    bare.pop3Host = "pop.example";
    // No counter at all: the first account is 00000000 and "Mail" keeps 0, which the next run
    // takes for "none claimed" and claims 1 from the counter.
    ApplyAccountManagerAccounts(store(), bare);
    ApplyAccountManagerAccounts(store(), bare);
    ExpectGolden("core/clients/golden/account_manager_bare.reg", Exported());
}

}  // namespace
}  // namespace linkvane::testing
