#include "ctl/args.h"

#include <charconv>

namespace linkvane::ctl {

namespace {

bool ListContains(std::string_view list, std::string_view word) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find(' ', pos);
        if (end == std::string_view::npos)
            end = list.size();
        if (list.substr(pos, end - pos) == word)
            return true;
        pos = end + 1;
    }
    return false;
}

}  // namespace

std::optional<std::string> ParsedArgs::Value(std::string_view option) const {
    auto it = m_values.find(std::string(option));
    if (it == m_values.end())
        return std::nullopt;
    return it->second.back();
}

std::vector<std::string> ParsedArgs::Values(std::string_view option) const {
    auto it = m_values.find(std::string(option));
    return it == m_values.end() ? std::vector<std::string>{} : it->second;
}

Result<ParsedArgs> ParseArgs(std::span<const std::string> args, std::string_view flags,
                             std::string_view options) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name == "--help" || ListContains(flags, name)) {
            if (equals != std::string::npos)
                return Fail("the option " + name + " takes no value");
            parsed.SetFlag(name);
        } else if (ListContains(options, name)) {
            if (equals != std::string::npos) {
                parsed.AddValue(name, arg.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                parsed.AddValue(name, args[++i]);
            } else {
                return Fail("the option " + name + " needs a value");
            }
        } else {
            return Fail("unknown option " + name);
        }
    }
    return parsed;
}

Result<std::int64_t> ParseInteger(std::string_view text, std::int64_t minimum, std::int64_t maximum,
                                  std::string_view what) {
    const std::string subject(what);
    std::string_view digits = text;
    bool negative = false;
    if (digits.starts_with('-') || digits.starts_with('+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (digits.empty() || error == std::errc::invalid_argument ||
        end != digits.data() + digits.size()) {
        return Fail(subject + " must be a whole number (decimal, or hexadecimal after 0x), not \"" +
                    std::string(text) + "\"");
    }
    const auto outOfRange = [&] {
        return Fail(subject + " must be between " + std::to_string(minimum) + " and " +
                    std::to_string(maximum) + ", not " + std::string(text));
    };
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 62;
    if (error == std::errc::result_out_of_range || magnitude > kLimit)
        return outOfRange();
    const auto value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < minimum || value > maximum)
        return outOfRange();
    return value;
}

}  // namespace linkvane::ctl
