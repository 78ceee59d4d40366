#include "support/samples.h"

namespace linkvane::testing {

ProfileRecord DialUpProfile(const std::string& name) {
    ProfileRecord r;
    r.name = name;
    r.keyPath = ProfileKeyPath(name);
    r.login = "jsmith-dial";
    r.password = "dial-secret";
    r.username = "jsmith";
    r.ePassword = "mail \"secret\"";
    r.pop3Host = "pop3.demon.net";
    r.smtpHost = "post.demon.net";
    r.nntpHost = "news.demon.net";
    r.realname = "John Smith";
    r.organisation = "Smith & Co";
    r.replyTo = "john@smith.demon.co.uk";
    r.httpProxy = "www-cache.demon.net";
    r.httpProxyPort = "8080";
    r.ftpProxy = "ftp-cache.demon.net";
    r.ftpProxyPort = "2121";
    r.proxyOverride = "localhost;*.local";
    r.homepage = "http://www.demon.net/";
    r.pingHost = "ping.demon.net";
    r.pingFreq = 5;
    r.setIE = 1;
    r.setNetscape = 1;
    r.checkEmail = 1;
    r.emailSound = "/usr/share/sounds/mail.wav";
    r.playSound = 1;
    r.popMinutes = 10;
    r.popupAlert = 1;
    r.pop3Security = "stls";
    r.pop3Pin =
        "01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:"
        "CD:EF";
    return r;
}

ProfileRecord LanProfile(const std::string& name) {
    ProfileRecord r;
    r.name = name;
    r.keyPath = ProfileKeyPath(name);
    r.useLan = 1;
    r.homepage = "http://intranet/";
    r.username = "js";
    r.pop3Host = "mail.office";
    r.smtpHost = "smtp.office";
    r.nntpHost = "news.office";
    r.realname = "J. Smith";
    r.organisation = "Office";
    r.replyTo = "js@office";
    r.setIE = 1;
    r.setNetscape = 1;
    return r;
}

}  // namespace linkvane::testing
