#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>

#include "support/temp_dir.h"

namespace linkvane::testing {

namespace {

constexpr std::string_view kAnswer = "  -> ";

std::string Unescaped(std::string_view line) {
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            text += line[i];
            continue;
        }
        const char c = line[++i];
        if (c == 'x' && i + 2 < line.size()) {
            text += static_cast<char>(std::stoi(std::string(line.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
    }
    return text;
}

// The length of the UTF-8 character at text[i], or 0 when none starts there.
std::size_t CharacterLength(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Control bytes, and bytes that are no UTF-8, as escapes: an answer stays one line of text.
std::string Escaped(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = CharacterLength(text, i);
        if (length > 0 && c >= 0x20 && c != 0x7F) {
            line += text.substr(i, length);
            i += length;
            continue;
        }
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        line += hex;
        ++i;
    }
    // Blanks at the end as escapes too: editors trim them from text files.
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ')
        --end;
    for (std::size_t blank = end; blank < line.size(); ++blank)
        line.replace(blank, 1, "\\x20"), blank += 3;
    return line;
}

}  // namespace

void ExpectGoldenAnswers(const std::string& relative,
                         const std::function<std::string(const std::string& question)>& answer) {
    std::ifstream in(SourcePath("tests/" + relative), std::ios::binary);
    ASSERT_TRUE(in) << relative << " is missing: write its questions, one a line";
    std::string report;
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(kAnswer))
            report += line + "\n" + std::string(kAnswer) + Escaped(answer(Unescaped(line))) + "\n";
    }
    ExpectGolden(relative, report);
}

bool RewritingGolden() {
    const char* rewrite = std::getenv("LINKVANE_REWRITE_GOLDEN");
    return rewrite != nullptr && std::string_view(rewrite) == "1";
}

void ExpectGolden(const std::string& relative, const std::string& actual) {
    const std::filesystem::path file = SourcePath("tests/" + relative);
    if (RewritingGolden()) {
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file << " is missing; LINKVANE_REWRITE_GOLDEN=1 writes it";
    const std::string expected(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(actual, expected) << "differs from " << file
                                << " (LINKVANE_REWRITE_GOLDEN=1 rewrites it)";
}

}  // namespace linkvane::testing
