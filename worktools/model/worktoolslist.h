#pragma once
// The worktools list: "worktool.lst" in the schedule folder adds program
// launchers to the Worktools menu, one per line: a menu caption, a tab or
// "=", and the command line to run.
//
// Contract:
// - At most 20 lines are used, each cut to 79 bytes (on a character
//   boundary); blank lines are skipped. A missing file is an empty list.
// - A line without a tab or "=" is a caption without a command: running it
//   gives kNullCommandLineText.
// - A command line is split as a terminal would split it and started as
//   its program with its arguments, never through a shell.
// - The user edits the list, as the surprise list, in the desktop's text
//   editor: openListInEditor() creates a missing list first, holding one
//   empty line so the desktop takes it for text.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class Messages;
class ProgramLauncher;

inline constexpr const char* kWorktoolListName = "worktool.lst";
inline constexpr std::size_t kMaxWorktools = 20;
inline constexpr std::size_t kMaxWorktoolLineBytes = 79;
extern const char* const kNullCommandLineText;

struct Worktool {
    std::string caption;
    std::optional<std::string> commandLine;  // none: the line has no tab or "="
};

std::vector<Worktool> readWorktoolsList(const std::filesystem::path& folder);

// Starts the tool's command; false, with the reason shown, when it could not.
bool runWorktool(const Worktool& tool, ProgramLauncher& launcher, Messages& messages);

// Opens the list file with the desktop's handler of text files.
bool openListInEditor(const std::filesystem::path& file, ProgramLauncher& launcher, Messages& messages);

} // namespace zk
