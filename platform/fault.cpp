#include "platform/fault.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace zk {

const char* const kAbnormalConditionText =
    "Abnormal Condition Detected. To clear the error condition and ensure data integrity, this session "
    "will terminate. Once it has, you may restart it.";
const char* const kMemoryFullText = "Memory Full. Close one or more applications.";

namespace {

ExitingFaultHandler processHandler;
std::atomic<FaultHandler*> currentHandler{&processHandler};

struct Cleanups {
    std::mutex mutex;
    std::map<int, std::function<void()>> hooks;
    int nextToken = 1;
    std::function<void(const std::string&)> reporter;
};

Cleanups& cleanups()
{
    static Cleanups c;
    return c;
}

} // namespace

std::string ConditionCode::text() const
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%.2f-%s%d", kProgramVersion, module, line);
    return buffer;
}

InternalFault::InternalFault(ConditionCode code)
    : std::runtime_error("internal fault " + code.text()), code_(code)
{
}

void ThrowingFaultHandler::fault(const ConditionCode& code) { throw InternalFault(code); }

void ExitingFaultHandler::fault(const ConditionCode& code)
{
    std::map<int, std::function<void()>> hooks;
    std::function<void(const std::string&)> reporter;
    {
        std::lock_guard lock(cleanups().mutex);
        hooks = cleanups().hooks;
        reporter = cleanups().reporter;
    }
    for (auto& [token, hook] : hooks)
        hook();
    std::string text = abnormalConditionMessage(code);
    if (reporter)
        reporter(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
    std::exit(3);
}

FaultHandler* installFaultHandler(FaultHandler* handler)
{
    return currentHandler.exchange(handler ? handler : &processHandler);
}

int addFaultCleanup(std::function<void()> hook)
{
    std::lock_guard lock(cleanups().mutex);
    int token = cleanups().nextToken++;
    cleanups().hooks.emplace(token, std::move(hook));
    return token;
}

void removeFaultCleanup(int token)
{
    std::lock_guard lock(cleanups().mutex);
    cleanups().hooks.erase(token);
}

void setFaultReporter(std::function<void(const std::string& text)> reporter)
{
    std::lock_guard lock(cleanups().mutex);
    cleanups().reporter = std::move(reporter);
}

std::string abnormalConditionMessage(const ConditionCode& code)
{
    return std::string(kAbnormalConditionText) + " All changes saved\n" + code.text();
}

void internalFault(const char* module, int line)
{
    currentHandler.load()->fault(ConditionCode{module, line});
    std::abort();  // a handler that returns breaks its contract
}

} // namespace zk
