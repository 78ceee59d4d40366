#include "ctl/args.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/golden.h"

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

// The arguments of each question stand between "|"; the answer is "pos|pos ; --flag ;
// --option=value" (each value given) or "error: message".
TEST(CtlArgs, OnlyDoubleDashArgumentsAreOptionsAndEachIsDeclared) {
    ExpectGoldenAnswers("ctl/golden/args.txt", [](const std::string& question) {
        std::vector<std::string> args;
        std::istringstream in(question);
        for (std::string arg; std::getline(in, arg, '|');)
            args.push_back(arg);
        return Parsed(args);
    });
}

// "TEXT|MINIMUM|MAXIMUM": the value, or why it is refused.
TEST(CtlArgs, IntegersAreDecimalOrHexadecimalWithinTheirRange) {
    ExpectGoldenAnswers("ctl/golden/integers.txt", [](const std::string& question) {
        const auto bar = question.find('|'), last = question.rfind('|');
        auto value = ParseInteger(question.substr(0, bar), std::stoll(question.substr(bar + 1)),
                                  std::stoll(question.substr(last + 1)), "N");
        return value ? std::to_string(*value) : value.error().message;
    });
}

}  // namespace
}  // namespace linkvane::testing
