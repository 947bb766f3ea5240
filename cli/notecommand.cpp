// zk note: prints an item's note, replaces it under the note lock, or
// prints the note information line.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "worktools/model/notes.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

namespace zk::cli {

namespace {

const char* const kNoteUsage =
    "usage: zk note [--folder DIR] ID\n"
    "       zk note [--folder DIR] [--wait SECONDS] [--yes|--no] ID --set TEXT | --file FILE\n"
    "       zk note [--folder DIR] ID --info\n"
    "Prints the note of the item with id ID; --set or --file replaces it (the\n"
    "item gets a note number when it has none), under the note's lock: exit 2\n"
    "while another session has the note open. --info prints the note information.\n";

ItemHandle findItem(const Schedule& s, std::uint32_t id)
{
    if (ItemHandle h = s.findItemById(id))
        return h;
    return s.recurrences.findByItemId(id);
}

std::optional<std::uint32_t> idOf(const std::string& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(text));
}

// Gives the item its note number and its note mark (and the schedule its
// note prefix), and saves.
int markItem(ZkSession& zk, const Arguments& args, std::uint32_t id, std::uint32_t& number)
{
    if (!zk.obtainChangeAccess(waitLimit(args)))
        return kExitUnavailable;
    Schedule& s = zk.schedule();
    ItemHandle h = findItem(s, id);
    if (!h) {
        std::fprintf(stderr, "zk: no item has id %u\n", static_cast<unsigned>(id));
        return kExitFailed;
    }
    ensureNotePrefix(s.header, static_cast<std::uint32_t>(std::time(nullptr)));
    const NoteFiles notes(zk.folder(), notePrefix(s.header));
    if (s.record(h).refNo() == 0)
        s.notesNumber(h, [&](std::uint16_t n) { return std::filesystem::exists(notes.note(n)); });
    s.record(h).setFlag(ItemFlag::fHasNotes, true);
    s.dirty = true;
    number = s.record(h).refNo();
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    return kExitOk;
}

int replaceNote(ZkSession& zk, const Arguments& args, std::uint32_t id, const std::string& text)
{
    Schedule& s = zk.schedule();
    ItemHandle h = findItem(s, id);
    std::uint32_t number = s.record(h).refNo();
    if (number == 0 || notePrefix(s.header).empty() || !s.record(h).has(ItemFlag::fHasNotes)) {
        if (int code = markItem(zk, args, id, number); code != kExitOk)
            return code;
    }
    const NoteFiles notes(zk.folder(), notePrefix(zk.schedule().header));
    if (std::string problem = prepareNotesFolder(notes); !problem.empty()) {
        std::fprintf(stderr, "zk: %s\n", problem.c_str());
        return kExitFailed;
    }
    LinuxLockFileSystem lockFiles;
    NoteLock::Taken lock = NoteLock::take(lockFiles, notes, number);
    if (!lock.lock) {
        std::fprintf(stderr, "zk: %s\n", lock.message.c_str());
        return lock.message == kNoteInUseText ? kExitUnavailable : kExitFailed;
    }
    if (std::string failure = writeNote(notes.note(number), text, notesScrambled(zk.schedule().header)); !failure.empty()) {
        std::fprintf(stderr, "zk: %s\n", failure.c_str());
        return kExitFailed;
    }
    if (!lock.lock->release()) {
        std::fprintf(stderr, "zk: %s\n", kNoteLockRemoveFailedText);
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int runNote(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"set", true}, {"file", true}, {"info"}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk note --help");
    if (args.has("help")) {
        std::fputs(kNoteUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() != 1)
        return usageError("note takes one item id; see zk note --help");
    std::optional<std::uint32_t> id = idOf(args.positional().front());
    if (!id)
        return usageError("note: \"" + args.positional().front() + "\" is not an item id");
    if (args.has("set") + args.has("file") + args.has("info") > 1)
        return usageError("note takes one of --set, --file and --info");
    std::optional<std::string> text = args.value("set");
    if (auto file = args.value("file")) {
        std::ifstream in(*file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "zk: cannot read %s\n", file->c_str());
            return kExitFailed;
        }
        text = std::string(std::istreambuf_iterator<char>(in), {});
    }

    ZkSession zk(args);
    if (!zk.open())
        return kExitFailed;
    Schedule& s = zk.schedule();
    ItemHandle h = findItem(s, *id);
    if (!h) {
        std::fprintf(stderr, "zk: no item has id %u\n", static_cast<unsigned>(*id));
        return kExitFailed;
    }
    if (text)
        return replaceNote(zk, args, *id, *text);
    const NoteFiles notes(zk.folder(), notePrefix(s.header));
    const std::uint32_t number = notePrefix(s.header).empty() ? 0 : s.record(h).refNo();
    if (args.has("info")) {
        std::printf("%s\n", noteInformation(notes, *id, number).c_str());
        return kExitOk;
    }
    if (number == 0)
        return kExitOk;
    NoteText note = readNote(notes.note(number));
    if (note.status == NoteText::Status::Failed) {
        std::fprintf(stderr, "zk: %s\n", note.message.c_str());
        return kExitFailed;
    }
    std::fputs(note.text.c_str(), stdout);
    return kExitOk;
}

} // namespace zk::cli
