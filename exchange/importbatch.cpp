#include "exchange/importbatch.h"

#include "core/schedule.h"
#include "engine/deletion.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "worktools/model/notes.h"

#include <ctime>
#include <filesystem>
#include <set>

namespace zk {

const char* const kImportNoAccessText =
    "Another session holds change access to this schedule. Nothing was imported; try again later.";
const char* const kImportedCountText = "%d items imported.";

namespace {

ItemHandle findByKey(const Schedule& s, const ImportKeys& keys, const std::string& key)
{
    if (key.empty())
        return kNoItem;
    if (keys.find)
        return keys.find(s, key);
    char* end = nullptr;
    unsigned long id = std::strtoul(key.c_str(), &end, 10);
    if (end == key.c_str() || *end != '\0' || id == 0 || id > 0xFFFFFFFFul)
        return kNoItem;
    return s.findItemById(static_cast<std::uint32_t>(id));
}

// Why the schedule would refuse the item, checked before anything is added.
std::string problemOf(const Schedule& s, const ImportItem& in)
{
    const NewItem& item = in.item;
    if (item.text.size() > kMaxDescriptionBytes)
        return "A description is longer than " + std::to_string(kMaxDescriptionBytes) + " bytes.";
    if (!item.day.isNone() && !item.recurrence && s.isPastDay(item.day) && !s.writePastDay)
        return kArchivedDayText;
    return {};
}

std::string writeNoteOf(Session& session, ItemHandle h, const std::string& text)
{
    Schedule& s = session.schedule();
    ensureNotePrefix(s.header, static_cast<std::uint32_t>(std::time(nullptr)));
    const NoteFiles notes(session.settings().folder, notePrefix(s.header));
    if (std::string problem = prepareNotesFolder(notes); !problem.empty())
        return problem;
    if (s.record(h).refNo() == 0)
        s.notesNumber(h, [&](std::uint16_t n) { return std::filesystem::exists(notes.note(n)); });
    s.record(h).setFlag(ItemFlag::fHasNotes, true);
    s.dirty = true;
    return writeNote(notes.note(s.record(h).refNo()), text, notesScrambled(s.header));
}

} // namespace

ImportReport importItems(Session& session, std::vector<ImportItem> items, int skipped, const ImportOptions& options)
{
    ImportReport report;
    report.skipped = skipped;
    if (items.empty()) {
        report.status = ImportStatus::Imported;
        return report;
    }
    if (!session.obtainChangeAccess(options.wait)) {
        report.status = ImportStatus::NoChangeAccess;
        report.message = kImportNoAccessText;
        return report;
    }
    // Taking change access may have reloaded the schedule: ask for it now.
    {
        const Schedule& s = session.schedule();
        for (const ImportItem& in : items)
            if (std::string problem = problemOf(s, in); !problem.empty()) {
                report.status = ImportStatus::Refused;
                report.message = problem;
                return report;
            }
    }
    for (ImportItem& in : items) {
        Schedule& s = session.schedule();
        std::optional<UndeleteRecord> replaced;
        if (ItemHandle old = in.updateExisting ? findByKey(s, options.keys, in.sourceKey) : kNoItem) {
            if (s.record(old).kind() == ItemKind::project) {
                ++report.skipped;
                continue;
            }
            // The replacement keeps the old item's id, so the key, the logs
            // and the handheld still name the same item.
            Deletion deletion(s, session.clock(), session.messages(), [](const std::string&) {});
            replaced = deletion.definitionOf(old) == old ? deletion.deleteAllOccurrences(old) : deletion.deleteItem(old);
            in.item.record.setId(replaced->itemId);
        }
        if (in.alarm)
            applyAlarmSettings(in.item.record, *in.alarm);
        AddResult added = session.addItem(std::move(in.item));
        if (added.status != AddStatus::Added) {
            // Nothing lost: the item it was to replace comes back.
            if (replaced)
                Deletion(session.schedule(), session.clock(), session.messages(), [](const std::string&) {})
                    .restore(*replaced);
            ++report.skipped;
            continue;
        }
        Schedule& now = session.schedule();
        if (!in.note.empty())
            if (std::string problem = writeNoteOf(session, added.item, in.note); !problem.empty())
                session.messages().error(problem);
        if (!in.sourceKey.empty() && options.keys.remember)
            options.keys.remember(now, added.item, in.sourceKey);
        report.items.push_back({now.record(added.item).id(), now.dayOf(added.item), replaced.has_value()});
    }
    report.status = ImportStatus::Imported;
    return report;
}

} // namespace zk
