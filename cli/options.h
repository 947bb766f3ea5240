#pragma once
// Command-line parsing for zk: long options with or without a value
// ("--days 3", "--days=3"), repeatable options, "--" ending the options, and
// the remaining words as positional arguments.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zk::cli {

struct OptionSpec {
    std::string name;      // without the leading "--"
    bool takesValue = false;
};

class Arguments {
public:
    // Parses words against the specs; a word naming an unknown option, or an
    // option lacking its value, leaves error() set.
    Arguments(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs);

    const std::string& error() const { return error_; }
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const;
    // Every value of a repeatable option, in command-line order.
    std::vector<std::string> values(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positional_;
    std::string error_;
};

} // namespace zk::cli
