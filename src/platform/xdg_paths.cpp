#include "platform/xdg_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/util/win_error.h"

namespace linkvane {

static std::filesystem::path HomeDir() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/";
}

// The folder an XDG variable names, or its default under the home folder.
static std::filesystem::path XdgHome(const char* variable, const std::filesystem::path& inHome) {
    if (const char* xdg = std::getenv(variable); xdg != nullptr && xdg[0] == '/')
        return xdg;
    return HomeDir() / inHome;
}

std::filesystem::path ConfigHome() {
    return XdgHome("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path DataHome() {
    return XdgHome("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path CacheHome() {
    return XdgHome("XDG_CACHE_HOME", ".cache");
}

std::filesystem::path CallLogPath() {
    return DataHome() / "linkvane" / "connect.log";
}

std::filesystem::path LinkvaneConfigDir() {
    return ConfigHome() / "linkvane";
}

Status EnsurePrivateDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec))
        return Success();
    if (dir.has_parent_path() && dir.parent_path() != dir) {
        std::filesystem::create_directories(dir.parent_path(), ec);
    }
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return Fail("Cannot create the folder " + dir.string() + ": " + std::strerror(errno),
                    errno == EACCES || errno == EROFS ? win::kAccessDenied : 0);
    }
    // A file (or anything else) of that name is no folder to keep settings in.
    if (!std::filesystem::is_directory(dir, ec)) {
        return Fail(
            dir.string() + " is not a folder; Linkvane keeps its settings in a folder there.",
            win::kDirectoryInvalid);
    }
    return Success();
}

}  // namespace linkvane
