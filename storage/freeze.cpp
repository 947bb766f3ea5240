#include "storage/freeze.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "storage/datafile.h"
#include "storage/savesequence.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace zk {

// The confirmation names "freeze.pak" although the file is "frozen.pak";
// users have always seen it so.
const char* const kFreezeConfirmText =
    "Freeze deletes all floating items below priority A after saving them to a file called freeze.pak.\n"
    "Are you sure you want to Freeze?";
const char* const kAlreadyFrozenText = "frozen.pak already exists. Thaw first, if you want to freeze again";
const char* const kFrozenDeletedText = "%d frozen items deleted from active schedule.";

namespace {

std::vector<ItemHandle> frozenItems(const Schedule& s)
{
    std::vector<ItemHandle> out;
    for (ItemHandle h : s.chain)
        if (isFrozenItem(s, h))
            out.push_back(h);
    return out;
}

void keepOnlyFrozenEntries(Schedule& s)
{
    std::vector<DayNumber> days;
    for (const auto& [number, record] : s.days)
        days.push_back(DayNumber(number));
    for (DayNumber day : days) {
        s.days.editEntries(day, [&](std::vector<DayEntry>& entries) {
            std::erase_if(entries, [&](const DayEntry& e) { return !isFrozenItem(s, e.item); });
        });
        s.findDay(day)->nRecurEntries = 0;  // no occurrences are left
    }
}

void dropDefinitions(Schedule& s)
{
    std::vector<ItemHandle> definitions = s.recurrences.inOrder();
    for (ItemHandle h : s.chain)
        if (isFrozenItem(s, h))
            s.record(h).setFlag(ItemFlag::fException, false);  // its definition stays behind
    for (ItemHandle d : definitions) {
        s.recurrences.remove(d);
        s.freeItem(d);
    }
}

void dropUnfrozenItems(Schedule& s)
{
    std::vector<ItemHandle> drop;
    for (ItemHandle h : s.chain)
        if (!isFrozenItem(s, h) && !s.days.isPlaced(h))
            drop.push_back(h);
    for (ItemHandle h : drop)
        s.freeItem(h);
}

// A copy made through the file format itself, then cut down to the frozen
// items: what stays is exactly what a reader of frozen.pak can resolve.
std::unique_ptr<Schedule> frozenCopy(Schedule& live, Messages& messages)
{
    std::vector<std::uint8_t> bytes;
    if (SaveResult written = saveDataBytes(live, bytes); !written) {
        messages.error(written.failureText);
        return nullptr;
    }
    LoadResult copy = loadDataBytes(bytes);
    if (!copy) {
        messages.error(copy.failureText);
        return nullptr;
    }
    Schedule& s = *copy.schedule;
    keepOnlyFrozenEntries(s);
    dropDefinitions(s);
    dropUnfrozenItems(s);
    // The tree would name items that are no longer there.
    s.projectTree.clear();
    return std::move(copy.schedule);
}

int deleteFrozenItems(Schedule& s)
{
    std::vector<ItemHandle> frozen = frozenItems(s);
    for (ItemHandle h : frozen) {
        for (DayNumber day : s.days.daysOf(h)) {
            s.days.editEntries(day, [&](std::vector<DayEntry>& entries) {
                std::erase_if(entries, [&](const DayEntry& e) { return e.item == h; });
            });
            s.noteChange(day);
        }
        s.freeItem(h);
    }
    return static_cast<int>(frozen.size());
}

class FreezingFlag {
public:
    explicit FreezingFlag(SaveState& state) : state_(state) { state_.freezing = true; }
    ~FreezingFlag() { state_.freezing = false; }
    FreezingFlag(const FreezingFlag&) = delete;
    FreezingFlag& operator=(const FreezingFlag&) = delete;

private:
    SaveState& state_;
};

} // namespace

bool isFrozenItem(const Schedule& schedule, ItemHandle item)
{
    if (!schedule.chain.contains(item))
        return false;
    const ItemRecord& r = schedule.record(item);
    return r.has(ItemFlag::fFloating) && !r.has(ItemFlag::fRecurDef) && r.priorityLetter() != 'A';
}

FreezeOutcome freeze(Schedule& schedule, SaveSequence& saving, FileSystem& fs, Messages& messages,
                     Confirmation confirmation)
{
    if (confirmation == Confirmation::Ask && messages.question(kFreezeConfirmText) != Answer::Yes)
        return {FreezeStatus::Declined};
    if (fs.exists(saving.files().frozenFile())) {
        messages.error(kAlreadyFrozenText);
        return {FreezeStatus::AlreadyFrozen};
    }
    SaveClaim claim(saving.state());
    if (!claim.claimed())
        return {FreezeStatus::Busy};
    const SaveHooks& hooks = saving.hooks();
    if (hooks.changeAccessInEffect && !hooks.changeAccessInEffect())
        return {FreezeStatus::NoChangeAccess};

    FreezingFlag freezing(saving.state());
    std::unique_ptr<Schedule> copy = frozenCopy(schedule, messages);
    if (!copy || !saving.writeSeparateFile(*copy, saving.files().frozenFile()))
        return {FreezeStatus::Failed};
    int deleted = deleteFrozenItems(schedule);
    saving.state().markDirty(schedule.now());
    schedule.dirty = true;

    char text[96];
    std::snprintf(text, sizeof text, kFrozenDeletedText, deleted);
    messages.information(text);
    return {FreezeStatus::Frozen, deleted};
}

const char* freezeButtonText(const DataFileSet& files, FileSystem& fs)
{
    return fs.exists(files.frozenFile()) ? "Unfreeze" : "Freeze";
}

} // namespace zk
