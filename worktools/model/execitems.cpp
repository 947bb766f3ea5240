#include "worktools/model/execitems.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/model/daywork.h"
#include "sharing/session.h"

#include <array>

namespace zk {

const char* const kExecFailedText = "Could not start %s.";
const char* const kExecUnreadableText = "This item's command line cannot be read (a quote is left open): %s";
const char* const kExecUrlFailedText = "No program of this desktop opens %s.";
const char* const kExecNoAccessText = "The schedule is held by another session or busy: the item was not run.";

namespace {

bool isWordCharacter(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '.' || c == '-' || c == '/' || c == '\\' || u >= 0x80;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where the command word stands on its own, followed by `separator`-like
// characters; npos when it does not.
std::size_t findWord(std::string_view text, std::string_view word, bool (*separates)(char))
{
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const bool startsWord = at == 0 || !isWordCharacter(text[at - 1]);
        const std::size_t end = at + word.size();
        const bool endsWord = end == text.size() || separates(text[end]);
        if (startsWord && endsWord)
            return at;
    }
    return std::string_view::npos;
}

bool autoExecSeparator(char c) { return isBlank(c) || c == ':' || c == '\r' || c == '\n'; }
bool execSeparator(char c) { return c == ' '; }

std::string_view lineFrom(std::string_view text, std::size_t at)
{
    if (at >= text.size())
        return {};
    std::string_view rest = text.substr(at);
    rest = rest.substr(0, rest.find_first_of("\r\n"));
    while (!rest.empty() && isBlank(rest.front()))
        rest.remove_prefix(1);
    while (!rest.empty() && isBlank(rest.back()))
        rest.remove_suffix(1);
    return rest;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::optional<std::string> webAddressIn(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        std::size_t end = at;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        std::string_view word = text.substr(at, end - at);
        at = end;
        while (!word.empty() && std::string_view(".,;)>\"'").find(word.back()) != std::string_view::npos)
            word.remove_suffix(1);
        if (startsWith(word, "http://") || startsWith(word, "https://"))
            return std::string(word);
        if (startsWith(word, "www.") && word.size() > 4)
            return "https://" + std::string(word);
    }
    return std::nullopt;
}

std::string replaceFirst(std::string format, std::string_view value)
{
    if (std::size_t at = format.find("%s"); at != std::string::npos)
        format.replace(at, 2, value);
    return format;
}

// Shows a word the way it would be typed back, quoted when it holds a blank
// or a quote, so the question shows exactly what starts.
std::string shownWord(const std::string& word)
{
    if (!word.empty() && word.find_first_of(" \t\"'\\") == std::string::npos)
        return word;
    std::string quoted = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

std::optional<std::vector<std::string>> splitCommandLine(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (isBlank(c)) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == line.size())
                return std::nullopt;
            word += line[i];
        } else if (c == '\'') {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            word.append(line.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == line.size())
                    return std::nullopt;
                if (line[i] == '"')
                    break;
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                word += line[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::optional<ExecRequest> execRequestOf(std::string_view text)
{
    ExecRequest request;
    std::size_t at = findWord(text, "autoexec", autoExecSeparator);
    std::size_t after = 0;
    if (at != std::string_view::npos) {
        request.word = ExecWord::AutoExec;
        after = at + 8 + 1;
    } else if ((at = findWord(text, "exec", execSeparator)) != std::string_view::npos) {
        request.word = ExecWord::Exec;
        after = at + 5;
    } else {
        return std::nullopt;
    }
    // The separator is a line break only when the line ends with the word.
    if (after - 1 < text.size() && (text[after - 1] == '\r' || text[after - 1] == '\n'))
        after = text.size();
    request.commandLine = std::string(lineFrom(text, after));
    request.url = webAddressIn(text);
    if (!request.url)
        if (std::optional<std::vector<std::string>> words = splitCommandLine(request.commandLine);
            words && !words->empty()) {
            request.command.program = words->front();
            request.command.arguments.assign(words->begin() + 1, words->end());
        }
    return request;
}

std::string execQuestionText(const std::string& clock, const std::string& itemText, const ExecRequest& request)
{
    std::string text = clock + " Ready to EXEC " + itemText + "\n\n";
    if (request.url)
        return text + "Open the web address " + *request.url + "?";
    if (request.command.program.empty())
        return text + replaceFirst(kExecUnreadableText, request.commandLine);
    text += "Program: " + shownWord(request.command.program);
    if (!request.command.arguments.empty()) {
        text += "\nArguments:";
        for (const std::string& argument : request.command.arguments)
            text += " " + shownWord(argument);
    }
    return text;
}

std::vector<DueExec> dueExecs(const Schedule& s, DayNumber today, TimeValue now, int window)
{
    std::vector<DueExec> due;
    const DayRecord* day = s.findDay(today);
    if (!day)
        return due;
    for (const DayEntry& entry : day->entries()) {
        const ItemRecord& r = s.record(entry.item);
        if (!r.has(ItemFlag::fAnchored) || r.has(ItemFlag::fStarted | ItemFlag::fDone))
            continue;
        const TimeValue start = entry.startTime();
        if (now < start || now - start >= window)
            continue;
        std::string text(s.storedDescription(entry.item));
        if (text.find("exec") == std::string::npos)
            continue;
        due.push_back(DueExec{r.id(), start, std::move(text), r.has(ItemFlag::fOwnerText)});
    }
    return due;
}

void ExecCheck::check()
{
    const DayNumber today = s_.today();
    if (today != day_) {
        day_ = today;
        handled_.clear();
    }
    const TimeValue now = s_.now();
    std::vector<DueExec> due;
    s_.withSchedule([&] {
        if (s_.session.isOpen())
            due = dueExecs(s_.session.schedule(), today, now, kWindowMinutes);
    });
    for (const DueExec& item : due) {
        const auto key = std::pair(item.itemId, static_cast<std::int16_t>(item.start.value()));
        if (handled_.contains(key))
            continue;
        std::optional<ExecRequest> request = execRequestOf(item.text);
        if (!request)
            continue;
        const bool unattended = request->word == ExecWord::AutoExec && item.ownerText &&
                                s_.launcher.runsAsOwnerOf(s_.session.files().folder());
        if (!unattended) {
            handled_.insert(key);
            if (s_.playSound)
                s_.playSound();
            if (!s_.ask(execQuestionText(s_.clockText(now), item.text, *request)))
                continue;
        }
        Claim claimed = Claim::Wait;
        if (!s_.withSchedule([&] { claimed = claim(item.itemId, item.start); }) || claimed == Claim::Wait) {
            // A question answered Yes is not asked again: it runs now or not.
            if (unattended)
                continue;
            s_.session.messages().information(kExecNoAccessText);
            claimed = Claim::Gone;
        }
        handled_.insert(key);
        if (claimed == Claim::Run)
            run(*request);
    }
}

// Under the schedule: starts the item, unless another session ran it first.
ExecCheck::Claim ExecCheck::claim(std::uint32_t itemId, TimeValue start)
{
    Session& session = s_.session;
    // Taking change access brings in another session's save: the item may
    // have been started there meanwhile.
    if (!session.access().requestChangeAccess())
        return Claim::Wait;
    const Schedule& s = session.schedule();
    std::optional<DraggedEntry> entry = entryOfItem(s, itemId, s_.today());
    if (!entry)
        return Claim::Gone;
    const DayEntry& placed = s.findDay(entry->day)->entries()[entry->index];
    if (s.record(placed.item).has(ItemFlag::fStarted | ItemFlag::fDone) || placed.startTime() != start)
        return Claim::Gone;
    EntryWorkResult started = startEntry(session, *entry, false);
    if (started.waiting)
        return Claim::Wait;
    if (!started.changed)
        return Claim::Gone;
    s_.save();
    return Claim::Run;
}

void ExecCheck::run(const ExecRequest& request)
{
    if (s_.showToday)
        s_.showToday();
    Messages& messages = s_.session.messages();
    if (request.url) {
        if (!s_.launcher.openUrl(*request.url))
            messages.error(replaceFirst(kExecUrlFailedText, *request.url));
        return;
    }
    if (request.command.program.empty()) {
        messages.error(replaceFirst(kExecUnreadableText, request.commandLine));
        return;
    }
    if (!s_.launcher.start(request.command))
        messages.error(replaceFirst(kExecFailedText, request.command.program));
}

} // namespace zk
