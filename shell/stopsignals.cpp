#include "shell/stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zk {

namespace {

int stopPipe[2] = {-1, -1};

void writeStopByte(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(stopPipe[1], &byte, 1);
}

} // namespace

void onStopSignal(std::function<void()> stop)
{
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // the default action stays: better than none at all
    auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, [stop = std::move(stop)] {
        char bytes[16];
        while (::read(stopPipe[0], bytes, sizeof bytes) > 0) {
        }
        stop();
    });
    struct sigaction action {};
    action.sa_handler = writeStopByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace zk
