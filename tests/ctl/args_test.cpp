#include "ctl/args.h"

#include <gtest/gtest.h>

namespace linkvane::testing {
namespace {

using ctl::ParseArgs;
using ctl::ParseInteger;

// "pos|pos ; --flag ; --option=value (each value given)" or "error: message".
std::string Parsed(std::vector<std::string> args) {
    auto parsed = ParseArgs(args, "--json --yes", "--device --phone");
    if (!parsed)
        return "error: " + parsed.error().message;
    std::string out;
    for (const std::string& arg : parsed->positional)
        out += arg + "|";
    for (const char* flag : {"--json", "--yes", "--help"}) {
        if (parsed->Has(flag))
            out += std::string(" ") + flag;
    }
    for (const char* option : {"--device", "--phone"}) {
        for (const std::string& value : parsed->Values(option))
            out += std::string(" ") + option + "=" + value;
    }
    return out;
}

TEST(CtlArgs, OnlyDoubleDashArgumentsAreOptionsAndEachIsDeclared) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"a", "-1", "-", "--json"}, "a|-1|-| --json"},
        {{"--device", "/dev/ttyS0", "x", "--phone=0845 1"},
         "x| --device=/dev/ttyS0 --phone=0845 1"},
        {{"--phone", "--json"}, " --phone=--json"},
        {{"--", "--json", "--x"}, "--json|--x|"},
        {{"--help"}, " --help"},
        {{"--phone="}, " --phone="},
        {{"--phone", "1", "--phone=2"}, " --phone=1 --phone=2"},
        {{"--json=1"}, "error: the option --json takes no value"},
        {{"-h"}, "-h|"},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(Parsed(args), expected) << args.front();
}

TEST(CtlArgs, IntegersAreDecimalOrHexadecimalWithinTheirRange) {
    const std::tuple<const char*, std::int64_t, std::int64_t, std::string> cases[] = {
        {"0x3c", 0, 100, "60"},
        {"+7", 0, 10, "7"},
        {"4294967295", 0, 4294967295, "4294967295"},
        {"99999999999999999999", 0, 10, "N must be between 0 and 10, not 99999999999999999999"},
        {"12x", 0, 100, "N must be a whole number (decimal, or hexadecimal after 0x), not \"12x\""},
        {"", 0, 100, "N must be a whole number (decimal, or hexadecimal after 0x), not \"\""},
        {"0x", 0, 100, "N must be a whole number (decimal, or hexadecimal after 0x), not \"0x\""},
        {"-", 0, 100, "N must be a whole number (decimal, or hexadecimal after 0x), not \"-\""},
    };
    for (const auto& [text, minimum, maximum, expected] : cases) {
        auto value = ParseInteger(text, minimum, maximum, "N");
        EXPECT_EQ(value ? std::to_string(*value) : value.error().message, expected) << text;
    }
}

}  // namespace
}  // namespace linkvane::testing
