#include "core/clients/client_dispatch.h"

#include "core/clients/account_manager.h"
#include "core/clients/ie_settings.h"
#include "core/clients/mail_and_news.h"
#include "core/clients/netscape.h"

namespace linkvane {

AppliedClients ApplyClientSettings(RegistryStore& store, const ActiveProfile& profile,
                                   std::string_view autoDialEntry, ClientMessages& messages) {
    AppliedClients applied;
    if (profile.setNetscape != 0) {
        applied.netscape = ApplyNetscapeSettings(store, profile, messages);
    }
    if (profile.setIE != 0) {
        if (!profile.httpProxy.empty() || !profile.ftpProxy.empty() ||
            !profile.proxyOverride.empty() || !profile.homepage.empty()) {
            applied.internetExplorer = ApplyIESettings(store, profile, autoDialEntry);
        }
        if (!profile.pop3Host.empty() || !profile.smtpHost.empty()) {
            applied.accountManager = ApplyAccountManagerAccounts(store, profile);
            applied.mailAndNews = ApplyMailAndNewsSettings(store, profile);
        }
    }
    return applied;
}

}  // namespace linkvane
