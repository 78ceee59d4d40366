#include "core/clients/mail_and_news.h"

#include <string>

#include "core/profiles/registry_item.h"

namespace linkvane {

namespace {
constexpr const char* kMailKey = "\\Software\\Microsoft\\Internet Mail and News\\Mail\\";
constexpr const char* kNewsKey = "\\Software\\Microsoft\\Internet Mail and News\\News\\";

std::string ServerKey(const char* kind, const std::string& host) {
    return std::string(kMailKey) + kind + "\\" + host + "\\";
}

// "Connection Type", then "RAS Phonebook Entry" when the profile dials.
void WriteConnection(COXRegistryItem& key, const ActiveProfile& profile) {
    key.SetNumberValue(ClientConnectionType(profile), "Connection Type");
    if (profile.useLan == 0)
        key.SetStringValue(profile.name, "RAS Phonebook Entry");
}

void WriteSender(COXRegistryItem& key, const ActiveProfile& profile) {
    key.SetStringValue(profile.replyTo, "Sender Email");
    key.SetStringValue(profile.realname, "Sender Name");
    key.SetStringValue(profile.organisation, "Sender Organization");
}
}  // namespace

bool ApplyMailAndNewsSettings(RegistryStore& store, const ActiveProfile& profile) {
    const bool hasPop3 = !profile.pop3Host.empty();
    const bool hasSmtp = !profile.smtpHost.empty();
    if (hasPop3 || hasSmtp) {
        COXRegistryItem mail(store, kMailKey);
        if (hasPop3)
            mail.SetStringValue(profile.pop3Host, "Default POP3 Server");
        if (hasSmtp)
            mail.SetStringValue(profile.smtpHost, "Default SMTP Server");
        mail.SetStringValue(profile.replyTo, "Reply To");
        WriteSender(mail, profile);
        WriteConnection(mail, profile);
    }
    if (hasSmtp) {
        COXRegistryItem smtp(store, ServerKey("SMTP", profile.smtpHost));
        // The same number as the mail key's "Connection Type", as the client has always had it.
        smtp.SetNumberValue(ClientConnectionType(profile), "MaxSendMessageSizeKB");
        smtp.SetNumberValue(60, "SendTimeout");
        smtp.SetNumberValue(60, "RecvTimeout");
        smtp.SetNumberValue(25, "Port");
    }
    if (hasPop3) {
        COXRegistryItem pop3(store, ServerKey("POP3", profile.pop3Host));
        pop3.SetNumberValue(0, "LeaveMailOnServer");
        pop3.SetNumberValue(60, "SendTimeout");
        pop3.SetNumberValue(60, "RecvTimeout");
        pop3.SetNumberValue(110, "Port");
        pop3.SetStringValue(profile.username, "Account");
    }
    if (!profile.nntpHost.empty()) {
        COXRegistryItem news(store, kNewsKey);
        news.SetStringValue(profile.nntpHost, "DefaultServer");
        WriteSender(news, profile);
        COXRegistryItem server(store, ServerKey("NEWS", profile.nntpHost));
        WriteConnection(server, profile);
        server.SetNumberValue(60, "Timeout");
        server.SetNumberValue(0, "Use Sicily");
        server.SetNumberValue(119, "Port");
    }
    return true;
}

}  // namespace linkvane
