#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) end the
// session the way closing the main window does, with its final save,
// instead of killing it mid-change. The handler only writes a byte to a
// pipe; the event loop reads it and calls the stop function on the
// user-interface thread.

#include <functional>

namespace zk {

// Once per process, before the event loop runs.
void onStopSignal(std::function<void()> stop);

} // namespace zk
