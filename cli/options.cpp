#include "cli/options.h"

namespace zk::cli {

Arguments::Arguments(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            positional_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = word.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionSpec* option = nullptr;
        for (const auto& s : specs)
            if (s.name == name)
                option = &s;
        if (!option) {
            error_ = "unknown option --" + name;
            return;
        }
        if (!option->takesValue) {
            if (inlineValue) {
                error_ = "option --" + name + " takes no value";
                return;
            }
            values_[name].push_back("");
            continue;
        }
        if (inlineValue) {
            values_[name].push_back(*inlineValue);
        } else if (i + 1 < words.size()) {
            values_[name].push_back(words[++i]);
        } else {
            error_ = "option --" + name + " needs a value";
            return;
        }
    }
}

std::optional<std::string> Arguments::value(const std::string& name) const
{
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty())
        return std::nullopt;
    return it->second.back();
}

std::vector<std::string> Arguments::values(const std::string& name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

} // namespace zk::cli
