#include "sharing/activitylog.h"

#include "core/dateformat.h"
#include "core/text.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "storage/datafileset.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace zk {

const char* const kUnableToOpenLogText = "unable to open file %s";

namespace {

bool isChangeLog(std::string_view logName) { return caseFoldKey(logName).find("change") != std::string::npos; }

bool appendLogLine(const std::filesystem::path& file, std::string_view line, Messages& messages)
{
    std::string text(line);
    text += '\n';
    if (appendToFile(file, text))
        return true;
    messages.error(textWithPath(kUnableToOpenLogText, file));
    return false;
}

} // namespace

std::string oneLine(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string activityLine(const LocalMoment& moment, const RegionalSettings& regional, std::string_view text)
{
    const char separator = regional.sTime.empty() ? ':' : regional.sTime.front();
    char clock[32];
    std::snprintf(clock, sizeof clock, "%d%c%02d%c%02d", moment.hour, separator, moment.minute, separator,
                  moment.second);
    return shortDate(moment.dayNumber(), regional) + " " + clock + " " + oneLine(text);
}

bool appendActivity(const std::filesystem::path& folder, std::string_view logName, std::string_view line,
                    Messages& messages)
{
    bool written = appendLogLine(folder / std::string(logName), line, messages);
    if (!isChangeLog(logName))
        written = appendLogLine(folder / kChangeLogName, line, messages) && written;
    return written;
}

bool appendToFile(const std::filesystem::path& file, std::string_view text)
{
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    // One write: with O_APPEND the whole line lands at the end, after any
    // line another session appended meanwhile.
    bool written = writeAll(fd, text);
    bool closed = ::close(fd) == 0;
    return written && closed;
}

bool writeAll(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace zk
