#include "sharing/pipeline.h"

#include "core/text.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "sharing/activitylog.h"
#include "sharing/addjournal.h"
#include "storage/datafileset.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

const char* const kTextTooLongText = "Text too long.";
const char* const kPipelineAddedText = "%d items added through Task Pipeline.";
const char* const kPipelineRejectedText =
    "%d lines of the Task Pipeline were not added. They are kept in %s to be corrected and sent again.";

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view withoutLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// The leading tokens of a line, one at a time; what follows the last one
// taken is the text.
class Tokens {
public:
    explicit Tokens(std::string_view line) : line_(line) { skipSeparators(); }

    std::string_view peek() const
    {
        std::size_t end = pos_;
        while (end < line_.size() && !isSeparator(line_[end]))
            ++end;
        return line_.substr(pos_, end - pos_);
    }
    void take()
    {
        pos_ += peek().size();
        skipSeparators();
        taken_ = true;
    }
    bool anyTaken() const { return taken_; }
    std::string_view rest() const { return line_.substr(pos_); }

private:
    void skipSeparators()
    {
        while (pos_ < line_.size() && isSeparator(line_[pos_]))
            ++pos_;
    }

    std::string_view line_;
    std::size_t pos_ = 0;
    bool taken_ = false;
};

// A duration an item can have: the u16 field holds no negative one.
std::optional<int> itemDuration(std::string_view token)
{
    if (token.empty())
        return std::nullopt;
    std::optional<int> minutes = parseDurationEntry(token);
    if (minutes && *minutes < 0)
        return std::nullopt;
    return minutes;
}

struct LeadingFields {
    std::optional<DayNumber> day;
    std::optional<int> time;  // a time value
    bool noTime = false;
    bool onHold = false;
    std::optional<int> duration;
};

LeadingFields readLeadingFields(Tokens& tokens, const EntryContext& context)
{
    LeadingFields f;
    if (std::string_view t = tokens.peek(); !t.empty()) {
        int day = parseDateEntry(t, context);
        if (day != kInvalidEntry && day != 0) {
            f.day = DayNumber(day);
            tokens.take();
        }
    }
    std::string_view timeToken = tokens.peek();
    if (timeToken == "*" || timeToken == "-") {
        f.noTime = true;
        f.onHold = timeToken == "-";
        tokens.take();
    } else if (!timeToken.empty()) {
        int time = parseTimeEntry(timeToken, context);
        if (time != kInvalidEntry && time != 0) {
            f.time = time;
            tokens.take();
        }
    }
    if (std::optional<int> minutes = itemDuration(tokens.peek())) {
        f.duration = minutes;
        tokens.take();
    } else if (f.time) {
        if (std::optional<int> again = itemDuration(timeToken)) {
            f.duration = again;
            f.time.reset();
            f.noTime = true;
        }
    }
    return f;
}

PipelineLine refused(const char* why) { return PipelineLine{std::nullopt, why}; }

} // namespace

PipelineLine parsePipelineLine(std::string_view raw, const ItemRecord& templateItem, DayNumber shownDay,
                               const EntryContext& context)
{
    std::string_view line = withoutLineEnd(raw);
    if (line.size() > kMaxPipelineLine)
        return refused(kTextTooLongText);
    Tokens tokens(line);
    LeadingFields f = readLeadingFields(tokens, context);
    std::string text = textFromStored(trimmed(tokens.anyTaken() ? tokens.rest() : line));
    if (text.size() > kMaxDescriptionBytes)
        return refused(kTextTooLongText);

    NewItem item;
    item.day = f.day.value_or(shownDay);
    item.record = templateItem;
    ItemRecord& r = item.record;
    r.setDay(static_cast<std::uint16_t>(item.day.value()));
    if (f.time)
        r.setBeginTime(static_cast<std::int16_t>(*f.time));
    else if (f.noTime)
        r.setBeginTime(0);
    r.setFlag(ItemFlag::fAnchored, r.beginTime() != 0);
    if (f.onHold)
        r.setFlag(ItemFlag::fOnHold, true);
    if (f.duration)
        r.setDuration(static_cast<std::uint16_t>(*f.duration));
    item.text = std::move(text);
    return PipelineLine{std::move(item), {}};
}

EntryContext entryContextFor(const Schedule& schedule, const Clock& clock, const RegionalSettings& regional,
                             const WeekSettings& week)
{
    const LocalMoment moment = clock.localNow();
    EntryContext context;
    context.today = moment.dayNumber();
    context.now = moment.timeValue();
    context.regional = regional;
    context.week = week;
    context.dayStart = schedule.dayStart();
    context.dayEnd = schedule.dayEnd();
    context.nightOwl = schedule.nightOwl();
    return context;
}

// --- processing ------------------------------------------------------------------

namespace {

struct PipelineFiles {
    explicit PipelineFiles(const std::filesystem::path& folder)
        : incoming(folder / kPipelineFileName),
          taken(folder / kPipelineTakenFileName),
          rejected(folder / kPipelineRejectedFileName)
    {
    }
    std::filesystem::path incoming, taken, rejected;
};

bool present(const std::filesystem::path& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Holds the writers' advisory lock on an open file while it lives.
class LockedFile {
public:
    explicit LockedFile(const std::filesystem::path& path, int flags)
        : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0666))
    {
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~LockedFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    int fd() const { return fd_; }

    // Whether the path still names this file (it was not taken over).
    bool stillNamed(const std::filesystem::path& path) const
    {
        struct stat open, named;
        return ::fstat(fd_, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev
               && open.st_ino == named.st_ino;
    }

private:
    int fd_;
};

// An empty file counts as ended.
bool endsWithLineEnd(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size == 0)
        return true;
    char last = '\n';
    return ::pread(fd, &last, 1, st.st_size - 1) != 1 || last == '\n';
}

class TakenFileRun {
public:
    // `leftover`: the file was taken by a session that ended before its
    // save; lines the data file already holds are not added again.
    TakenFileRun(const AddItemServices& services, const PipelineOptions& options, const PipelineFiles& files,
                 PipelineOutcome& outcome, bool leftover)
        : services_(services), options_(options), files_(files), outcome_(outcome), leftover_(leftover)
    {
    }

    // False when the taken file could not be read; it then stays.
    bool run()
    {
        // A writer that opened the file before the takeover finishes its
        // line before we read.
        LockedFile lock(files_.taken, O_RDONLY);
        std::ifstream in(files_.taken, std::ios::binary);
        if (lock.fd() < 0 || !in) {
            services_.messages.error(textWithPath(kUnableToOpenLogText, files_.taken));
            return false;
        }
        std::string line;
        while (std::getline(in, line))
            take(line);
        if (in.bad()) {
            services_.messages.error(textWithPath(kUnableToOpenLogText, files_.taken));
            return false;
        }
        // The taken file stays until a save holding its lines is on the
        // disk; the journal settles it (and the rejected lines) then.
        services_.journal->noteTakenFileProcessed(std::move(rejected_));
        return true;
    }

private:
    void take(const std::string& line)
    {
        if (trimmed(line).empty())
            return;
        Schedule& s = services_.schedule();
        DayNumber shown = options_.shownDay ? options_.shownDay : services_.clock.today();
        EntryContext context = entryContextFor(s, services_.clock, services_.regional, options_.week);
        PipelineLine parsed = parsePipelineLine(line, s.templateItem, shown, context);
        if (!parsed.item) {
            services_.messages.error(parsed.refusal);
            reject(line);
            return;
        }
        const std::string text = parsed.item->text;
        if (leftover_ && services_.journal->heldBeforeStart(text))
            return;  // saved before that session ended
        if (addItem(services_, std::move(*parsed.item)).status != AddStatus::Added) {
            reject(line);
            return;
        }
        ++outcome_.added;
        if (leftover_)
            services_.journal->noteAddedAgain(text);
    }

    void reject(const std::string& line)
    {
        rejected_ += withoutLineEnd(line);
        rejected_ += '\n';
        ++outcome_.rejected;
    }

    const AddItemServices& services_;
    const PipelineOptions& options_;
    const PipelineFiles& files_;
    PipelineOutcome& outcome_;
    bool leftover_;
    std::string rejected_;
};

void report(const AddItemServices& services, const PipelineFiles& files, const PipelineOutcome& outcome)
{
    char text[512];
    if (outcome.added > 0) {
        std::snprintf(text, sizeof text, kPipelineAddedText, outcome.added);
        services.messages.information(text);
    }
    if (outcome.rejected > 0) {
        std::snprintf(text, sizeof text, kPipelineRejectedText, outcome.rejected, files.rejected.c_str());
        services.messages.error(text);
    }
}

} // namespace

bool pipelineWaiting(const std::filesystem::path& folder)
{
    PipelineFiles files(folder);
    return present(files.incoming) || present(files.taken);
}

PipelineOutcome processPipelineFile(const AddItemServices& services, const PipelineOptions& options)
{
    PipelineFiles files(services.access.paths().folder);
    ZK_CHECK(services.journal, "Pipeline");
    // Lines taken up already wait for their save; new ones wait for the
    // next time after it.
    if (services.journal->takenFileInSchedule() || (!present(files.incoming) && !present(files.taken)))
        return {PipelineStatus::NothingToDo};
    if (!services.access.requestChangeAccess())
        return {PipelineStatus::NoChangeAccess};
    PipelineOutcome outcome{PipelineStatus::Processed};
    // A file left taken by a session that ended goes first, alone; else
    // what writers have appended until now. Lines appended while this runs
    // wait in a fresh timedata.add for the next time.
    bool ok = true;
    if (present(files.taken))
        ok = TakenFileRun(services, options, files, outcome, true).run();
    else if (systemFileSystem().rename(files.incoming, files.taken, RenameMode::NoReplace) == 0)
        ok = TakenFileRun(services, options, files, outcome, false).run();
    if (!ok)
        outcome.status = PipelineStatus::Unreadable;
    // A taken file that added nothing (its lines saved already, or none
    // readable) is settled by a save all the same.
    if (services.journal->takenFileInSchedule())
        services.schedule().dirty = true;
    report(services, files, outcome);
    return outcome;
}

AppendStatus appendToPipeline(const std::filesystem::path& folder, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos)
            return AppendStatus::LineBreakInLine;
        text += line;
        text += '\n';
    }
    PipelineFiles files(folder);
    // A session may take the file over between our open and our lock; the
    // lines then belong in the fresh file, not in the one being read.
    for (int attempt = 0; attempt < 100; ++attempt) {
        LockedFile file(files.incoming, O_RDWR | O_CREAT | O_APPEND);
        if (file.fd() < 0)
            return AppendStatus::Failed;
        if (!file.stillNamed(files.incoming))
            continue;
        // A writer that left its last line unended would have ours joined
        // to it.
        std::string_view out = text;
        std::string ended;
        if (!endsWithLineEnd(file.fd())) {
            ended = "\n" + text;
            out = ended;
        }
        return writeAll(file.fd(), out) ? AppendStatus::Appended : AppendStatus::Failed;
    }
    return AppendStatus::Failed;
}

} // namespace zk
