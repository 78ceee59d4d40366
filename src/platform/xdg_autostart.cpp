#include "platform/xdg_autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/util/atomic_file.h"
#include "platform/xdg_paths.h"

namespace linkvane {

XdgAutostart::XdgAutostart() : m_directory(ConfigHome() / "autostart") {}
XdgAutostart::XdgAutostart(std::filesystem::path directory) : m_directory(std::move(directory)) {}

Result<std::string> DesktopExecQuote(std::string_view path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return Fail(
                "The program path cannot be started at login: it contains a control character.");
        }
        // Inside quotes, " ` $ and \ take a backslash; the entry's string rules then double
        // every backslash once more, and % is doubled for the field-code rules.
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
            quoted += c;
        } else if (c == '\\') {
            quoted += "\\\\\\\\";
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

Status XdgAutostart::Enable(std::string_view executablePath) {
    auto exec = DesktopExecQuote(executablePath);
    if (!exec)
        return exec.error();
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    if (ec)
        return Fail("Cannot create " + m_directory.string() + ": " + ec.message());
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Linkvane\n"
        "Comment=Dial-up and provider profile manager\n"
        "Exec=" +
        exec.value() +
        "\n"
        "Icon=linkvane\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    if (const auto failure = ReplaceFileAtomically(EntryPath(), entry, 0644)) {
        return Fail("Cannot write " + EntryPath().string() + ": " + failure->Describe());
    }
    return Success();
}

Status XdgAutostart::Disable() {
    std::error_code ec;
    std::filesystem::remove(EntryPath(), ec);
    if (ec)
        return Fail("Cannot remove " + EntryPath().string() + ": " + ec.message());
    return Success();
}

}  // namespace linkvane
