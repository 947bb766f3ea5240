#include "worktools/model/worktoolslist.h"

#include "core/text.h"
#include "platform/messages.h"
#include "platform/programlauncher.h"
#include "worktools/model/execitems.h"

#include <cstdio>
#include <fstream>

namespace zk {

const char* const kNullCommandLineText = "Null command line. Probably missing tab.";

namespace {

const char* const kWorktoolUnreadableText = "This worktool's command line cannot be read (a quote is left open): %s";

std::string printed(const char* form, const std::string& value)
{
    std::string text(std::char_traits<char>::length(form) + value.size(), '\0');
    const int n = std::snprintf(text.data(), text.size() + 1, form, value.c_str());
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

} // namespace

std::vector<Worktool> readWorktoolsList(const std::filesystem::path& folder)
{
    std::vector<Worktool> tools;
    std::ifstream in(folder / kWorktoolListName, std::ios::binary);
    std::string line;
    while (tools.size() < kMaxWorktools && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string text = textFromStored(line);
        const std::string_view cut = utf8Prefix(text, kMaxWorktoolLineBytes);
        if (trimBlanks(cut).empty())
            continue;
        Worktool tool;
        const std::size_t split = cut.find_first_of("\t=");
        tool.caption = std::string(trimBlanks(cut.substr(0, split)));
        if (split != std::string_view::npos)
            tool.commandLine = std::string(trimBlanks(cut.substr(split + 1)));
        tools.push_back(std::move(tool));
    }
    return tools;
}

bool runWorktool(const Worktool& tool, ProgramLauncher& launcher, Messages& messages)
{
    if (!tool.commandLine || tool.commandLine->empty()) {
        messages.error(kNullCommandLineText);
        return false;
    }
    const std::optional<std::vector<std::string>> words = splitCommandLine(*tool.commandLine);
    if (!words || words->empty()) {
        messages.error(printed(kWorktoolUnreadableText, *tool.commandLine));
        return false;
    }
    ProgramCommand command{words->front(), {words->begin() + 1, words->end()}};
    if (launcher.start(command))
        return true;
    messages.error(printed(kExecFailedText, command.program));
    return false;
}

bool openListInEditor(const std::filesystem::path& file, ProgramLauncher& launcher, Messages& messages)
{
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        std::ofstream created(file, std::ios::binary);
        created << "\n";
        if (!created) {
            messages.error("Unable to create " + file.string() + ".");
            return false;
        }
    }
    if (launcher.openUrl(file.string()))
        return true;
    messages.error("No text editor could open " + file.string() + ".");
    return false;
}

} // namespace zk
