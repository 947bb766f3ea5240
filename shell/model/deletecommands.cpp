#include "shell/model/deletecommands.h"

#include "core/dateformat.h"
#include "engine/interfacemode.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/activitylog.h"
#include "sharing/session.h"

#include <fstream>
#include <set>
#include <sstream>

namespace zk {

const char* const kNothingToUndeleteText = "Nothing to undelete";
const char* const kLiteDeleteAllQuestion = "Delete ALL occurrences?";
const char* const kDuplicatesQuestion =
    "Are you sure you want to delete multiple instances of recurring items from today's schedule?";
const char* const kAllButQuestion = "Are you SURE you want to delete EVERYTHING but this item?";
const char* const kDeletedMeanwhileText = "This item was deleted in another session meanwhile.";
const char* const kNothingSelectedText = "Select an item first.";
const char* const kDeleteItemCaption = "DELETE ITEM";
const char* const kDeleteAllOccurrencesCaption = "DELETE ALL OCCURRENCES";
const char* const kDeleteProjectCaption = "DELETE PROJECT";

std::string deleteItemQuestion(const std::string& title) { return "Do you want to delete\n\n" + title + " ?"; }

std::string deleteOccurrenceQuestion(const std::string& title, const std::string& date)
{
    return "Do you want to delete the occurrence of\n\n" + title + "\n\non " + date + " ?";
}

std::string deleteAllOccurrencesQuestion(const std::string& title)
{
    return title + " is a recurring item.\n\nDo you want to delete all undone occurrences?";
}

std::string deleteProjectQuestion(const std::string& title)
{
    return "Are you sure you want to delete the project " + title
        + " ? Any items assigned to this project will be reassigned to the \"none\" project. Alternatively, "
          "projects may be archived by marking them done.";
}

std::string undeleteQuestion(const std::string& title) { return "Would you like to undelete " + title + "?"; }

DeleteCommands::DeleteCommands(Session& session) : session_(session) {}

Deletion DeleteCommands::deletion()
{
    Session& session = session_;
    return Deletion(session.schedule(), session.clock(), session.messages(), [&session](const std::string& title) {
        const RegionalSettings& regional = session.settings().regional;
        appendActivity(session.settings().folder, kDeleteLogName,
                       activityLine(session.clock().localNow(), regional, title), session.messages());
    });
}

bool DeleteCommands::ask(const std::string& text, const char* caption)
{
    return session_.messages().question(text, QuestionButtons::YesNoDefaultNo, caption ? caption : "") == Answer::Yes;
}

std::string DeleteCommands::dateText(DayNumber day) const
{
    return shortDate(day, session_.settings().regional);
}

ItemHandle DeleteCommands::itemForChange(ItemHandle shown)
{
    const Schedule& before = session_.schedule();
    if (!shown || !before.items.isLive(shown)) {
        session_.messages().information(kDeletedMeanwhileText);
        return kNoItem;
    }
    const std::uint32_t id = before.record(shown).id();
    if (!session_.access().requestChangeAccess())
        return kNoItem;
    Schedule& s = session_.schedule();
    if (s.items.isLive(shown) && s.record(shown).id() == id)
        return shown;
    ItemHandle found = s.findItemById(id);
    if (!found)
        found = s.recurrences.findByItemId(id);
    for (ItemHandle h : s.globalList)
        if (!found && s.record(h).id() == id)
            found = h;
    if (!found)
        session_.messages().information(kDeletedMeanwhileText);
    return found;
}

DeleteOutcome DeleteCommands::pushed(UndeleteRecord record, DayNumber dayToShow)
{
    stack_.push_back(std::move(record));
    session_.schedule().dirty = true;
    return {true, dayToShow, kNoItem};
}

DeleteOutcome DeleteCommands::deleteEntry(const DraggedEntry& shown, bool lite)
{
    if (!shown.item) {
        session_.messages().information(kNothingSelectedText);
        return {};
    }
    const Schedule& before = session_.schedule();
    if (lite && before.items.isLive(shown.item) && before.record(shown.item).has(ItemFlag::recurrence)
        && ask(kLiteDeleteAllQuestion))
        return deleteAllOccurrences(shown.item);
    // The question names what the user sees; access is taken only on Yes.
    if (!before.items.isLive(shown.item)) {
        session_.messages().information(kDeletedMeanwhileText);
        return {};
    }
    const bool recurring = before.record(shown.item).has(ItemFlag::recurrence);
    const std::string title = before.titleOf(shown.item);
    if (!ask(recurring ? deleteOccurrenceQuestion(title, dateText(shown.day)) : deleteItemQuestion(title),
             kDeleteItemCaption))
        return {};
    EntryForChange target = entryForChange(session_, shown);
    if (target.waiting)
        return {};
    if (!target.entry) {
        session_.messages().information(kDeletedMeanwhileText);
        return {};
    }
    Deletion d = deletion();
    std::optional<UndeleteRecord> record = d.deleteEntry(*target.entry);
    if (!record)
        return {};
    return pushed(std::move(*record), shown.day);
}

DeleteOutcome DeleteCommands::deleteListed(ItemHandle shown, bool inGlobalList)
{
    const Schedule& before = session_.schedule();
    if (!shown || !before.items.isLive(shown)) {
        session_.messages().information(shown ? kDeletedMeanwhileText : kNothingSelectedText);
        return {};
    }
    const ItemRecord& r = before.record(shown);
    const std::string title = before.titleOf(shown);
    const bool project = std::find(before.projects.begin(), before.projects.end(), shown) != before.projects.end();
    if (project) {
        if (!ask(deleteProjectQuestion(title), kDeleteProjectCaption))
            return {};
        ItemHandle item = itemForChange(shown);
        return item ? pushed(deletion().deleteProject(item), kNoDay) : DeleteOutcome{};
    }
    if (!inGlobalList && r.has(ItemFlag::fRecurDef))
        return deleteAllOccurrences(shown);
    const bool exception = !inGlobalList && r.has(ItemFlag::fException);
    const DayNumber day = before.dayOf(shown);
    if (!ask(exception ? deleteOccurrenceQuestion(title, dateText(day)) : deleteItemQuestion(title), kDeleteItemCaption))
        return {};
    ItemHandle item = itemForChange(shown);
    if (!item)
        return {};
    UndeleteRecord record = deletion().deleteItem(item);
    if (exception)
        record.type = UndeleteType::Entry;
    return pushed(std::move(record), kNoDay);
}

DeleteOutcome DeleteCommands::deleteAllOccurrences(ItemHandle shown)
{
    const Schedule& before = session_.schedule();
    if (!shown || !before.items.isLive(shown)) {
        session_.messages().information(shown ? kDeletedMeanwhileText : kNothingSelectedText);
        return {};
    }
    ItemHandle definition = Deletion(session_.schedule(), session_.clock(), session_.messages(), {}).definitionOf(shown);
    if (!definition)
        return {};  // not a recurring item: the command has nothing to do
    if (!ask(deleteAllOccurrencesQuestion(before.titleOf(definition)), kDeleteAllOccurrencesCaption))
        return {};
    ItemHandle item = itemForChange(definition);
    if (!item)
        return {};
    return pushed(deletion().deleteAllOccurrences(item), kNoDay);
}

DeleteOutcome DeleteCommands::undelete()
{
    if (stack_.empty()) {
        session_.messages().information(kNothingToUndeleteText);
        return {};
    }
    if (!session_.access().requestChangeAccess())
        return {};
    UndeleteRecord record = std::move(stack_.back());
    stack_.pop_back();
    if (!ask(undeleteQuestion(record.title)))
        return {};
    Restored restored = deletion().restore(record);
    if (!restored.item) {
        session_.messages().information(restored.refusal);
        return {};
    }
    session_.schedule().dirty = true;
    return {true, restored.day, restored.item};
}

// --- the bulk deletions ------------------------------------------------------------

namespace {

std::set<std::uint32_t> readSampleIds(const std::filesystem::path& file)
{
    std::set<std::uint32_t> ids;
    std::ifstream in(file);
    std::uint32_t id = 0;
    while (in >> id)
        ids.insert(id);
    return ids;
}

} // namespace

void recordSampleItems(Schedule& schedule, const std::filesystem::path& folder)
{
    std::vector<ItemHandle> items;
    schedule.items.forEach([&](ItemHandle h) { items.push_back(h); });
    std::ostringstream out;
    for (ItemHandle h : items)
        out << schedule.itemId(h) << '\n';
    // Written whole through a temporary file: a half-written list could
    // name too few items, never the user's own.
    const std::filesystem::path file = folder / kSampleMarkFileName;
    const std::filesystem::path temporary = folder / (std::string(kSampleMarkFileName) + ".tmp");
    {
        std::ofstream f(temporary, std::ios::trunc);
        f << out.str();
        if (!f.flush())
            return;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, file, ec);
}

bool DeleteCommands::hasSamples() const
{
    std::error_code ec;
    return std::filesystem::exists(session_.settings().folder / kSampleMarkFileName, ec);
}

DeleteOutcome DeleteCommands::deleteSampleItems()
{
    const std::filesystem::path file = session_.settings().folder / kSampleMarkFileName;
    std::set<std::uint32_t> ids = readSampleIds(file);
    if (!session_.access().requestChangeAccess())
        return {};
    int deleted = deletion().deleteByIds(ids);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (deleted > 0)
        session_.schedule().dirty = true;
    return {true, kNoDay, kNoItem};
}

DeleteOutcome DeleteCommands::deleteDuplicatesToday()
{
    if (!ask(kDuplicatesQuestion))
        return {};
    if (!session_.access().requestChangeAccess())
        return {};
    const DayNumber today = session_.clock().today();
    if (deletion().deleteDuplicateOccurrences(today) == 0)
        return {};
    return {true, today, kNoItem};
}

DeleteOutcome DeleteCommands::deleteAllBut(const DraggedEntry& shown)
{
    if (!shown.item || !session_.schedule().items.isLive(shown.item)) {
        session_.messages().information(shown.item ? kDeletedMeanwhileText : kNothingSelectedText);
        return {};
    }
    for (int i = 0; i < 3; ++i)
        if (!ask(kAllButQuestion))
            return {};
    ItemHandle kept = itemForChange(shown.item);
    if (!kept)
        return {};
    Deletion d = deletion();
    d.deleteAllBut(kept);
    Schedule& s = session_.schedule();
    s.header.setI16(ScheduleHeader::definitionCountAt, static_cast<std::int16_t>(s.recurrences.size()));
    s.dirty = true;
    return {true, shown.day, kept};
}

} // namespace zk
