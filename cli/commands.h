#pragma once
// The zk commands. Each takes the words after its name and returns the
// process exit code; output goes to stdout, errors to stderr.

#include <string>
#include <vector>

namespace zk::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;      // the command ran; what it checked failed
inline constexpr int kExitUnavailable = 2; // the schedule could not be had (change access)
inline constexpr int kExitUsage = 64;      // the command line itself was wrong

struct Command {
    const char* name;
    const char* synopsis;
    int (*run)(const std::vector<std::string>& words);
};

// Every command, in the order `zk --help` lists them.
const std::vector<Command>& commands();

int runParse(const std::vector<std::string>& words);
int runCheck(const std::vector<std::string>& words);
int runNew(const std::vector<std::string>& words);
int runShow(const std::vector<std::string>& words);
int runAdd(const std::vector<std::string>& words);
int runPipeline(const std::vector<std::string>& words);
int runSaveAs(const std::vector<std::string>& words);
int runFreeze(const std::vector<std::string>& words);
int runDelete(const std::vector<std::string>& words);
int runList(const std::vector<std::string>& words);
int runFind(const std::vector<std::string>& words);
int runAlarms(const std::vector<std::string>& words);
int runNote(const std::vector<std::string>& words);
int runBalance(const std::vector<std::string>& words);
int runConflicts(const std::vector<std::string>& words);
int runWhy(const std::vector<std::string>& words);
int runDone(const std::vector<std::string>& words);
int runStart(const std::vector<std::string>& words);
int runCarryOver(const std::vector<std::string>& words);
int runArchive(const std::vector<std::string>& words);
int runHistory(const std::vector<std::string>& words);
int runExport(const std::vector<std::string>& words);
int runImport(const std::vector<std::string>& words);

// Prints "zk: <text>" on stderr and returns kExitUsage.
int usageError(const std::string& text);

} // namespace zk::cli
