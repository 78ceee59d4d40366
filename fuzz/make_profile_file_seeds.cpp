// Writes a few valid profile files into the folder given on the command line, as the seed
// corpus of fuzz_profile_file: the tests' dial-up sample, a LAN profile with empty passwords,
// and one with every field at its longest.

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/profiles/profile_file.h"
#include "core/profiles/profile_file_io.h"
#include "support/samples.h"

namespace {

using namespace linkvane;

// The phonebook part starts with its size, as the dial-up service reports it.
void SetPhonebookSize(ProfileFile& file) {
    file.phonebookPart[0] = kProfileFilePhonebookSize & 0xFF;
    file.phonebookPart[1] = kProfileFilePhonebookSize >> 8;
}

// The tests' dial-up sample, with the program-wide values the file carries.
ProfileFile DialUp() {
    GlobalSettings globals;
    globals.url1Label = "Search";
    globals.url1Loc = "http://search.example.net/";
    globals.app1Label = "Terminal";
    globals.app1Path = "/usr/bin/xterm";
    globals.emailPath = "/usr/bin/mailer";
    globals.browserPath = "/usr/bin/browser";
    globals.enableRedial = 1;
    globals.redialAttempts = 3;
    globals.redialTimeout = 60;
    ProfileFile file = MakeProfileFile(testing::DialUpProfile(), globals, {});
    SetPhonebookSize(file);
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
