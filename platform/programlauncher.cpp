#include "platform/programlauncher.h"

#include <algorithm>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zk {

namespace {

// Starts argv[0] from PATH with stdin on /dev/null, in a process group of
// its own, so the terminal's signals meant for zk or the desktop program do
// not reach it.
pid_t spawn(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return -1;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

LinuxProgramLauncher::~LinuxProgramLauncher() { reap(); }

void LinuxProgramLauncher::reap()
{
    std::erase_if(children_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

bool LinuxProgramLauncher::openUrl(const std::string& url)
{
    return start(ProgramCommand{"xdg-open", {url}});
}

bool LinuxProgramLauncher::start(const ProgramCommand& command)
{
    reap();
    if (command.program.empty())
        return false;
    std::vector<std::string> argv{command.program};
    argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    pid_t pid = spawn(argv);
    if (pid <= 0)
        return false;
    children_.push_back(pid);
    return true;
}

bool LinuxProgramLauncher::runsAsOwnerOf(const std::filesystem::path& folder) { return zk::runsAsOwnerOf(folder); }

bool runsAsOwnerOf(const std::filesystem::path& folder)
{
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && info.st_uid == ::geteuid();
}

} // namespace zk
