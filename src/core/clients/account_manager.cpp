#include "core/clients/account_manager.h"

#include <cstdio>

#include "core/profiles/registry_item.h"

namespace linkvane {

namespace {
constexpr const char* kAccountManagerKey = "\\Software\\Microsoft\\Internet Account Manager\\";
constexpr const char* kAccountsKey = "\\Software\\Microsoft\\Internet Account Manager\\Accounts\\";
constexpr const char* kMakerKey = "\\Software\\Kestrom\\";
constexpr const char* kCounterValue = "Account Name";

// An account number: the one kept under the maker key, or the counter when none is kept.
struct AccountClaim {
    const char* ownValue;  // "Mail" or "News" under the maker key
    std::uint32_t number = 0;
    bool kept = false;
};

// Takes the account's number and makes the account it names the default under defaultValue.
AccountClaim PointDefaultAccount(RegistryStore& store, const char* ownValue,
                                 const char* defaultValue) {
    COXRegistryItem maker(store, kMakerKey);
    COXRegistryItem manager(store, kAccountManagerKey);
    AccountClaim claim{ownValue};
    claim.number = maker.GetNumberValue(ownValue);
    claim.kept = claim.number != 0;
    if (!claim.kept)
        claim.number = manager.GetNumberValue(kCounterValue);
    manager.SetStringValue(AccountKeyName(claim.number), defaultValue);
    return claim;
}

// "Connection Type", and "Connectoid" (the dial-up entry) only for a profile that dials; an
// earlier "Connectoid" stays when the profile does not dial.
void WriteConnection(COXRegistryItem& account, const ActiveProfile& profile) {
    account.SetNumberValue(ClientConnectionType(profile), "Connection Type");
    if (profile.useLan == 0)
        account.SetStringValue(profile.name, "Connectoid");
}

void WriteMailAccount(COXRegistryItem& account, const ActiveProfile& profile) {
    WriteConnection(account, profile);
    account.SetStringValue(profile.pop3Host, "POP3 Server");
    account.SetStringValue(profile.smtpHost, "SMTP Server");
    account.SetNumberValue(110, "POP3 Port");
    account.SetNumberValue(25, "SMTP Port");
    account.SetStringValue(profile.username, "POP3 User Name");
    account.SetStringValue(profile.realname, "SMTP Display Name");
    account.SetStringValue(profile.organisation, "SMTP Organization Name");
    account.SetStringValue(profile.replyTo, "SMTP Email Address");
    account.SetStringValue(profile.replyTo, "SMTP Reply To Email Address");
    account.SetNumberValue(0, "POP3 Use Sicily");
    account.SetNumberValue(60, "POP3 Timeout");
    account.SetNumberValue(60, "SMTP Timeout");
    account.SetStringValue("Current Email", "Account Name");
}

void WriteNewsAccount(COXRegistryItem& account, const ActiveProfile& profile) {
    WriteConnection(account, profile);
    account.SetStringValue(profile.nntpHost, "NNTP Data Directory");
    account.SetStringValue(profile.realname, "NNTP Display Name");
    account.SetStringValue(profile.nntpHost, "NNTP Server");
    account.SetStringValue(profile.replyTo, "NNTP Email Address");
    account.SetStringValue(profile.organisation, "NNTP Organization Name");
    account.SetStringValue(profile.replyTo, "NNTP Reply To Email Address");
    account.SetStringValue("Current News", "Account Name");
    account.SetNumberValue(119, "NNTP Port");
    account.SetNumberValue(0, "NNTP Use Sicily");
    account.SetNumberValue(60, "NNTP Timeout");
}

// Keeps a newly claimed number, writes the account under it, then moves the counter just
// past it (also backwards: the kept accounts are reused, so the counter only has to clear them).
void WriteAccount(RegistryStore& store, const AccountClaim& claim, const ActiveProfile& profile,
                  void (*writeValues)(COXRegistryItem&, const ActiveProfile&)) {
    if (!claim.kept)
        COXRegistryItem(store, kMakerKey).SetNumberValue(claim.number, claim.ownValue);
    COXRegistryItem account(store, std::string(kAccountsKey) + AccountKeyName(claim.number) + "\\");
    writeValues(account, profile);
    COXRegistryItem(store, kAccountManagerKey).SetNumberValue(claim.number + 1, kCounterValue);
}
}  // namespace

std::string AccountKeyName(std::uint32_t number) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%x", number);
    const std::string digits(hex);
    return std::string("000000") + (digits.size() == 1 ? "0" : "") + digits;
}

bool ApplyAccountManagerAccounts(RegistryStore& store, const ActiveProfile& profile) {
    const AccountClaim mail = PointDefaultAccount(store, "Mail", "Default Mail Account");
    if (!profile.pop3Host.empty() || !profile.smtpHost.empty()) {
        WriteAccount(store, mail, profile, WriteMailAccount);
    }
    // Without a news server the news account and its default stay as they were.
    if (!profile.nntpHost.empty()) {
        const AccountClaim news = PointDefaultAccount(store, "News", "Default News Account");
        WriteAccount(store, news, profile, WriteNewsAccount);
    }
    return true;
}

}  // namespace linkvane
