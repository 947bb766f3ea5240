#pragma once
// Starting what an item's text asks to run: a web address goes to the
// desktop's URL handler, a command line is started as its program with its
// arguments, never through a shell, so no character of an item's text is
// ever interpreted by one. The desktop program and zk use the Linux
// launcher; tests use the scripted one, which records what it was asked and
// starts nothing.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zk {

struct ProgramCommand {
    std::string program;
    std::vector<std::string> arguments;
    friend bool operator==(const ProgramCommand&, const ProgramCommand&) = default;
};

// Whether this process runs as the user who owns the folder.
bool runsAsOwnerOf(const std::filesystem::path& folder);

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Opens the address with the desktop's handler; false when it could not.
    virtual bool openUrl(const std::string& url) = 0;
    // Starts the program (looked up on PATH) with its arguments, detached
    // from the caller's input; false when it could not be started.
    virtual bool start(const ProgramCommand& command) = 0;
    // Whether this process runs as the user who owns the schedule folder:
    // only there may a schedule's own commands run unattended.
    virtual bool runsAsOwnerOf(const std::filesystem::path& folder) = 0;
};

// posix_spawnp, and xdg-open for addresses. Children that ended are
// reaped at the next launch and when the launcher goes.
class LinuxProgramLauncher final : public ProgramLauncher {
public:
    LinuxProgramLauncher() = default;
    ~LinuxProgramLauncher() override;
    LinuxProgramLauncher(const LinuxProgramLauncher&) = delete;
    LinuxProgramLauncher& operator=(const LinuxProgramLauncher&) = delete;

    bool openUrl(const std::string& url) override;
    bool start(const ProgramCommand& command) override;
    bool runsAsOwnerOf(const std::filesystem::path& folder) override;

private:
    void reap();
    std::vector<pid_t> children_;
};

class ScriptedProgramLauncher final : public ProgramLauncher {
public:
    bool owner = true;
    bool starts = true;
    std::vector<std::string> urls;
    std::vector<ProgramCommand> started;

    bool openUrl(const std::string& url) override
    {
        urls.push_back(url);
        return starts;
    }
    bool start(const ProgramCommand& command) override
    {
        started.push_back(command);
        return starts;
    }
    bool runsAsOwnerOf(const std::filesystem::path&) override { return owner; }
};

} // namespace zk
