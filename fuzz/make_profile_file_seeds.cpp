// Writes a few valid profile files into the folder given on the command line, as the seed
// corpus of fuzz_profile_file: an everyday dial-up profile, a LAN profile with empty passwords,
// and one with every field at its longest.

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/profiles/profile_file.h"
#include "core/profiles/profile_file_io.h"

namespace {

using namespace linkvane;

// The phonebook part starts with its size, as the dial-up service reports it.
void SetPhonebookSize(ProfileFile& file) {
    file.phonebookPart[0] = kProfileFilePhonebookSize & 0xFF;
    file.phonebookPart[1] = kProfileFilePhonebookSize >> 8;
}

ProfileFile DialUp() {
    ProfileFile file;
    SetPhonebookSize(file);
    file.name = "Example Dial";
    file.login = "jdoe";
    file.password = "abzde";  // has a byte that the cipher leaves as it is
    file.username = "john.doe";
    file.ePassword = "m4il-Secret!";
    file.pop3Host = "pop.example.net";
    file.smtpHost = "smtp.example.net";
    file.nntpHost = "news.example.net";
    file.realname = "John Doe";
    file.organisation = "Example Ltd";
    file.replyTo = "john@example.net";
    file.httpProxy = "proxy.example.net";
    file.httpProxyPort = "8080";
    file.ftpProxy = "proxy.example.net";
    file.ftpProxyPort = "2121";
    file.proxyOverride = "<local>;*.example.net";
    file.homepage = "http://www.example.net/";
    file.pingHost = "ping.example.net";
    file.pingFreq = 5;
    file.setIE = 1;
    file.checkEmail = 1;
    file.popMinutes = 10;
    file.playSound = 1;
    file.emailSound = "/usr/share/sounds/mail.wav";
    file.url1Label = "Search";
    file.url1Loc = "http://search.example.net/";
    file.app1Label = "Terminal";
    file.app1Path = "/usr/bin/xterm";
    file.emailPath = "/usr/bin/mailer";
    file.browserPath = "/usr/bin/browser";
    file.enableRedial = 1;
    file.redialAttempts = 3;
    file.redialTimeout = 60;
    return file;
}

ProfileFile Lan() {
    ProfileFile file;
    SetPhonebookSize(file);
    file.name = "B\u00fcro LAN";
    file.useLan = 1;
    file.realname = "Ren\u00e9e \u0160koda";
    file.homepage = "http://intranet/\u20ac";
    file.startup = 1;
    file.startMinimised = 1;
    return file;
}

ProfileFile Longest() {
    ProfileFile file;
    for (std::size_t i = 0; i < file.phonebookPart.size(); ++i) {
        file.phonebookPart[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    for (const auto& field : ProfileFileLayout()) {
        if (field.kind == ProfileFileField::Kind::kNumber) {
            file.*field.number = 0xFFFFFFFFu;
        } else if (field.kind == ProfileFileField::Kind::kString) {
            file.*field.text = std::string(field.size - 1, 'w');
        }
    }
    file.password = std::string(kMaxPasswordLength, '~');
    file.ePassword = std::string(kMaxPasswordLength - 4, 'p') + "\u00e9\u00e9";  // 39 bytes
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::pair<const char*, ProfileFile> seeds[] = {
        {"dialup.idf", DialUp()}, {"lan.idf", Lan()}, {"longest.idf", Longest()}};
    for (const auto& [name, file] : seeds) {
        auto bytes = EncodeProfileFile(file);
        Status written = bytes ? WriteProfileFileBytes(dir / name, *bytes) : Status(bytes.error());
        if (!written) {
            std::fprintf(stderr, "%s: %s\n", name, written.error().message.c_str());
            return 1;
        }
    }
    return 0;
}
