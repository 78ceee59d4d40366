#include "core/util/shell_open.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace linkvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Unwrap(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

// RFC 3986 scheme: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), here of two or more characters.
bool HasUrlScheme(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2 || !IsAsciiAlpha(text.front()))
        return false;
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.';
    });
}

bool StartsWithHost(std::string_view text, std::string_view prefix) {
    if (text.size() <= prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))) != prefix[i])
            return false;
    }
    return true;
}

}  // namespace

OpenPlan PlanShellOpen(std::string_view setting, const OpenContext& context) {
    const std::string_view text = Unwrap(setting);
    if (text.empty())
        return {};
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return {};
    if (HasUrlScheme(text))
        return {OpenKind::Url, std::string(text)};
    if (StartsWithHost(text, "www."))
        return {OpenKind::Url, "http://" + std::string(text)};
    if (StartsWithHost(text, "ftp."))
        return {OpenKind::Url, "ftp://" + std::string(text)};

    const std::filesystem::path path{std::string(text)};
    const auto isExecutable = [&](const std::filesystem::path& p) {
        return context.isExecutableFile && context.isExecutableFile(p);
    };
    const bool bareName = text.find('/') == std::string_view::npos;
    if (bareName) {
        for (const auto& dir : context.search) {
            if (isExecutable(dir / path))
                return {OpenKind::Program, (dir / path).string()};
        }
    }
    const auto absolute =
        (path.is_absolute() ? path : context.workingDir / path).lexically_normal();
    if (isExecutable(absolute)) {
        // A bare name runs only from the search path: a program of that name that happens to
        // lie in the working directory is not run, nor handed to the opener, which might.
        if (bareName)
            return {};
        return {OpenKind::Program, absolute.string()};
    }
    return {OpenKind::Document, absolute.string()};
}

OpenContext ProcessOpenContext() {
    OpenContext context;
    std::error_code ec;
    context.workingDir = std::filesystem::current_path(ec);
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const auto dir = rest.substr(0, colon);
            // An empty element means the current directory, which is not searched here:
            // a program must not be picked up from wherever the program was started.
            if (!dir.empty() && dir.front() == '/')
                context.search.emplace_back(std::string(dir));
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    context.isExecutableFile = IsExecutableFile;
    return context;
}

bool IsExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace linkvane
