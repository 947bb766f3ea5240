#pragma once
// Running the built zk program from a test: a shell command line, its
// standard output and error collected apart, and its exit code.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zk::testsupport {

struct ZkRun {
    int exitCode = -1;  // -1: it did not end by itself
    std::string out;
    std::string err;
};

inline std::string shellQuoted(const std::string& word)
{
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Where the standard error goes: apart, or into the output in the order written.
enum class ErrorStream { Apart, Merged };

// Started at construction, so a test can act while it runs; finish() waits.
class ZkProcess {
public:
    explicit ZkProcess(const std::string& command, ErrorStream errors = ErrorStream::Apart)
    {
        char pattern[] = "/tmp/zk-stderr-XXXXXX";
        int fd = ::mkstemp(pattern);
        if (fd >= 0)
            ::close(fd);
        err_ = pattern;
        const std::string redirect = errors == ErrorStream::Merged ? " 2>&1" : " 2>" + shellQuoted(err_.string());
        pipe_ = ::popen((command + redirect).c_str(), "r");
    }
    ZkProcess(const ZkProcess&) = delete;
    ZkProcess& operator=(const ZkProcess&) = delete;
    ~ZkProcess()
    {
        if (pipe_)
            finish();
        std::error_code ignored;
        std::filesystem::remove(err_, ignored);
    }

    ZkRun finish()
    {
        ZkRun run;
        if (!pipe_)
            return run;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe_))
            run.out.append(buffer, n);
        int status = ::pclose(pipe_);
        pipe_ = nullptr;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(err_);
        run.err.assign(std::istreambuf_iterator<char>(in), {});
        return run;
    }

private:
    FILE* pipe_ = nullptr;
    std::filesystem::path err_;
};

inline ZkRun runZk(const std::string& command, ErrorStream errors = ErrorStream::Apart)
{
    return ZkProcess(command, errors).finish();
}

} // namespace zk::testsupport
