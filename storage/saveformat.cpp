#include "storage/saveformat.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "storage/datafileformat.h"
#include "storage/savesequence.h"

namespace zk {

const char* const kDescriptionTooLongText = "This item description is too long to be read by old versions of Zelkon:\n\n";
const char* const kDescriptionTooLongTail =
    "\n\nYou must edit the item before choosing this data file format. Continue checking for other items too long?";
const char* const kProjectsLostText =
    "Saving as a Version 1, 2, or 3 file would result in loss of projects. If you really want to do this, delete "
    "all projects first.";
const char* const kPriorityListLostText = "Saving as a Version 1 file would result in loss of priority list";

namespace {

// Older programs read descriptions of at most 365 bytes.
constexpr std::size_t kOldDescriptionLimit = 366;

// Asks about every description too long for an older program until the
// user stops; true when there was at least one.
bool reportLongDescriptions(const Schedule& s, Messages& messages)
{
    bool found = false;
    bool checking = true;
    s.items.forEach([&](ItemHandle h) {
        if (!checking || s.storedDescription(h).size() < kOldDescriptionLimit)
            return;
        found = true;
        std::string text = kDescriptionTooLongText + s.description(h) + kDescriptionTooLongTail;
        checking = messages.question(text) == Answer::Yes;
    });
    return found;
}

// Every floating item has its priority-list entry, and only those do.
bool hasPriorityList(const Schedule& s)
{
    for (ItemHandle h : s.chain)
        if (s.record(h).has(ItemFlag::fFloating))
            return true;
    return false;
}

bool refused(const Schedule& s, Messages& messages, SaveFormat format)
{
    if (reportLongDescriptions(s, messages))
        return true;
    if (format != SaveFormat::Version4 && !s.projects.empty()) {
        messages.error(kProjectsLostText);
        return true;
    }
    if (format == SaveFormat::Version1 && hasPriorityList(s)) {
        messages.error(kPriorityListLostText);
        return true;
    }
    return false;
}

} // namespace

FormatDialog chooseSaveFormat(Schedule& schedule, SaveState& state, Messages& messages, SaveFormat format,
                              ShareWithOldPrograms share)
{
    if (format != SaveFormat::Current && refused(schedule, messages, format))
        return FormatDialog::StayOpen;
    ScheduleHeader& h = schedule.header;
    h.setI16(ScheduleHeader::saveFormatAt, static_cast<std::int16_t>(format));
    std::uint32_t options = h.u32(ScheduleHeader::optionWordAt);
    if (share == ShareWithOldPrograms::Yes)
        options |= datafile::kShareWithOldPrograms;
    else
        options &= ~datafile::kShareWithOldPrograms;
    h.setU32(ScheduleHeader::optionWordAt, options);
    state.markDirty(schedule.now());
    schedule.dirty = true;
    return FormatDialog::Close;
}

ShareWithOldPrograms sharesWithOldPrograms(const Schedule& schedule)
{
    bool on = (schedule.header.u32(ScheduleHeader::optionWordAt) & datafile::kShareWithOldPrograms) != 0;
    return on ? ShareWithOldPrograms::Yes : ShareWithOldPrograms::No;
}

} // namespace zk
