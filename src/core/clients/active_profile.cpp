#include "core/clients/active_profile.h"

#include "core/profiles/password_cipher.h"
#include "core/profiles/profile_record.h"
#include "core/profiles/registry_item.h"

namespace linkvane {

ActiveProfile& TheActiveProfile() {
    static ActiveProfile active;
    return active;
}

const ActiveProfile& LoadActiveProfile(RegistryStore& store, std::string_view profileName) {
    ActiveProfile loaded;
    loaded.profileName = std::string(profileName);
    COXRegistryItem key(store, ProfileKeyPath(loaded.profileName));
    // The order of the reads is the order the values have always been read in.
    loaded.httpProxy = key.GetStringValue("HTTPProxy");
    loaded.ftpProxy = key.GetStringValue("FTPProxy");
    loaded.homepage = key.GetStringValue("Homepage");
    loaded.username = key.GetStringValue("Username");
    loaded.smtpHost = key.GetStringValue("SMTPHost");
    loaded.pop3Host = key.GetStringValue("POP3Host");
    loaded.realname = key.GetStringValue("Realname");
    loaded.organisation = key.GetStringValue("Organisation");
    loaded.replyTo = key.GetStringValue("ReplyTo");
    loaded.httpProxyPort = key.GetStringValue("HTTPProxyPort");
    loaded.ftpProxyPort = key.GetStringValue("FTPProxyPort");
    loaded.proxyOverride = key.GetStringValue("ProxyOverride");
    loaded.nntpHost = key.GetStringValue("NNTPHost");
    loaded.useLan = key.GetNumberValue("UseLan");
    loaded.pingHost = key.GetStringValue("PingHost");
    loaded.pingFreq = key.GetNumberValue("PingFreq");
    loaded.setIE = key.GetNumberValue("SetIE");
    loaded.setNetscape = key.GetNumberValue("SetNetscape");
    loaded.checkEmail = key.GetNumberValue("CheckEmail");
    loaded.emailSound = key.GetStringValue("EmailSound");
    loaded.playSound = key.GetNumberValue("PlaySound");
    loaded.popMinutes = key.GetNumberValue("PopMinutes");
    loaded.popupAlert = key.GetNumberValue("PopupAlert");
    loaded.pop3Security = key.GetStringValue("POP3Security");
    loaded.pop3Pin = key.GetStringValue("POP3Pin");
    Result<std::string> mailPassword = DecipherStoredPassword(key.GetStringValue("EPassword"));
    if (mailPassword.ok())
        loaded.mailPassword = std::move(mailPassword.value());

    ActiveProfile& active = TheActiveProfile();
    active = std::move(loaded);
    return active;
}

}  // namespace linkvane
