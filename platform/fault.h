#pragma once
// Internal faults: a broken list, a stale handle, a value outside its range.
// These are not user errors. The program stops saving, removes its lock
// files, shows "Abnormal Condition Detected..." with a condition code
// "21.00-<module><line>" and ends.
//
// What happens is decided by the installed FaultHandler: the process handler
// runs the cleanup hooks, shows the box through its message callback and
// exits; tests install a handler that throws InternalFault so a fault can be
// observed without ending the test process.

#include <functional>
#include <stdexcept>
#include <string>

namespace zk {

inline constexpr double kProgramVersion = 21.0;

struct ConditionCode {
    const char* module = "";
    int line = 0;
    std::string text() const;  // "21.00-Actchain123"
};

extern const char* const kAbnormalConditionText;
extern const char* const kMemoryFullText;

class InternalFault : public std::runtime_error {
public:
    explicit InternalFault(ConditionCode code);
    const ConditionCode& code() const { return code_; }

private:
    ConditionCode code_;
};

class FaultHandler {
public:
    virtual ~FaultHandler() = default;
    [[noreturn]] virtual void fault(const ConditionCode& code) = 0;
};

// Throws InternalFault; for tests and for callers that contain a fault.
class ThrowingFaultHandler final : public FaultHandler {
public:
    [[noreturn]] void fault(const ConditionCode& code) override;
};

// The process handler: runs every cleanup hook (lock files), shows the
// message through the reporter, and ends the process with exit code 3.
class ExitingFaultHandler final : public FaultHandler {
public:
    [[noreturn]] void fault(const ConditionCode& code) override;
};

// Installs a handler for the whole process and returns the previous one.
// The handler must outlive its installation.
FaultHandler* installFaultHandler(FaultHandler* handler);

// Cleanup hooks run before the process ends on a fault (lock file removal).
// Returns a token for removeFaultCleanup.
int addFaultCleanup(std::function<void()> hook);
void removeFaultCleanup(int token);

// How the exiting handler shows its box; the desktop program installs a
// message box, zk prints to stderr (the default).
void setFaultReporter(std::function<void(const std::string& text)> reporter);

// The full text shown for a fault.
std::string abnormalConditionMessage(const ConditionCode& code);

[[noreturn]] void internalFault(const char* module, int line);

} // namespace zk

// Raises an internal fault naming this module and the current line.
#define ZK_FAULT(module) ::zk::internalFault(module, __LINE__)
#define ZK_CHECK(condition, module) \
    do {                            \
        if (!(condition))           \
            ZK_FAULT(module);       \
    } while (0)
