#include "core/profiles/profile_record.h"

#include <array>

#include "core/profiles/mail_security.h"
#include "core/util/text.h"

namespace linkvane {

std::string ProfileKeyPath(const std::string& name) {
    return std::string(kProfilesKey) + name + "\\";
}

namespace {

using P = ProfileRecord;
const std::array<ProfileValueInfo, 31> kProfileValues{{
    {"UseLan", &P::useLan},
    {"Login", &P::login},
    {"Password", &P::password, true},
    {"Username", &P::username},
    {"EPassword", &P::ePassword, true},
    {"POP3Host", &P::pop3Host},
    {"SMTPHost", &P::smtpHost},
    {"Realname", &P::realname},
    {"Organisation", &P::organisation},
    {"ReplyTo", &P::replyTo},
    {"NNTPHost", &P::nntpHost},
    {"HTTPProxy", &P::httpProxy},
    {"HTTPProxyPort", &P::httpProxyPort},
    {"FTPProxy", &P::ftpProxy},
    {"FTPProxyPort", &P::ftpProxyPort},
    {"ProxyOverride", &P::proxyOverride},
    {"Homepage", &P::homepage},
    {"PingHost", &P::pingHost},
    {"PingFreq", &P::pingFreq},
    {"Tweak", &P::tweak},
    {"SetIE", &P::setIE},
    {"SetNetscape", &P::setNetscape},
    {"CheckEmail", &P::checkEmail},
    {"PopMinutes", &P::popMinutes},
    {"PopupAlert", &P::popupAlert},
    {"PlaySound", &P::playSound},
    {"EmailSound", &P::emailSound},
    {"POP3Security", &P::pop3Security, false, &CheckPop3SecurityText},
    {"POP3Pin", &P::pop3Pin, false, &CheckPinText},
    {"RedialPause", &P::redialPause},
    {"Reconnect", &P::reconnect},
}};

using G = GlobalSettings;
const std::array<GlobalValueInfo, 16> kGlobalValues{{
    {"LaunchEmail", &G::launchEmail},
    {"LaunchBrowser", &G::launchBrowser},
    {"EnableRedial", &G::enableRedial},
    {"RedialTimeout", &G::redialTimeout},
    {"RedialAttempts", &G::redialAttempts},
    {"Startup", &G::startup},
    {"StartMinimised", &G::startMinimised},
    {"Url1Label", &G::url1Label},
    {"Url1Loc", &G::url1Loc},
    {"Url2Label", &G::url2Label},
    {"Url2Loc", &G::url2Loc},
    {"App1Label", &G::app1Label},
    {"App1Path", &G::app1Path},
    {"EmailPath", &G::emailPath},
    {"BrowserPath", &G::browserPath},
    {"Notifications", &G::notifications},
}};

}  // namespace

std::span<const ProfileValueInfo> ProfileValues() {
    return kProfileValues;
}
std::span<const GlobalValueInfo> GlobalValues() {
    return kGlobalValues;
}

const ProfileValueInfo* FindProfileValue(std::string_view name) {
    for (const auto& info : kProfileValues) {
        if (EqualsIgnoreCase(info.name, name))
            return &info;
    }
    return nullptr;
}

}  // namespace linkvane
