#pragma once

// The command line's argument reading: positional arguments, flags (--json) and options that
// take a value (--device PATH or --device=PATH). Only arguments that begin with "--" are
// options, so data such as "-1" or "-" (standard input or output) stays positional; "--" ends
// the options. A command declares the flags and options it accepts; anything else is a usage
// error that the caller reports with exit status 2.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/result.h"

namespace linkvane::ctl {

class ParsedArgs {
  public:
    std::vector<std::string> positional;

    bool Has(std::string_view flag) const { return m_flags.contains(std::string(flag)); }
    // The option's value; the last one when it was given more than once.
    std::optional<std::string> Value(std::string_view option) const;
    // Every value the option was given, in order.
    std::vector<std::string> Values(std::string_view option) const;

    void SetFlag(std::string flag) { m_flags.insert(std::move(flag)); }
    void AddValue(std::string option, std::string value) {
        m_values[std::move(option)].push_back(std::move(value));
    }

  private:
    std::set<std::string> m_flags;
    std::map<std::string, std::vector<std::string>> m_values;
};

// flags and options are space-separated lists ("--json --yes", "--device --phone").
// "--help" is always accepted as a flag.
Result<ParsedArgs> ParseArgs(std::span<const std::string> args, std::string_view flags,
                             std::string_view options);

// A whole number given in decimal (with an optional sign) or in hexadecimal after "0x",
// within [minimum, maximum]. The error names what was being read.
Result<std::int64_t> ParseInteger(std::string_view text, std::int64_t minimum, std::int64_t maximum,
                                  std::string_view what);

}  // namespace linkvane::ctl
