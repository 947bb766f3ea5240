#pragma once
// Saving in an earlier file format ("Save As", group "Data File Format").
//
// Contract: chooseSaveFormat() refuses, with the user's messages, a format
// that would lose data an older program cannot hold (long descriptions,
// projects, the priority list) and then leaves the dialog open. An accepted
// choice is stored in the header (offset 8) and marks the schedule dirty;
// the next save writes the file in that format.

#include <array>

namespace zk {

class Messages;
class Schedule;
class SaveState;

enum class SaveFormat : int { Current = 0, Version1 = 21, Version2 = 22, Version3 = 23, Version4 = 24 };

struct SaveFormatChoice {
    SaveFormat format;
    const char* label;
};

// The choices in the order the dialog shows them.
inline constexpr std::array<SaveFormatChoice, 5> kSaveFormatChoices{{
    {SaveFormat::Current, "Current version (98+)"},
    {SaveFormat::Version4, "Version 4"},
    {SaveFormat::Version3, "Version 3"},
    {SaveFormat::Version2, "Version 2"},
    {SaveFormat::Version1, "Version 1"},
}};

// The dialog's hidden check box "Share schedule with ZK 4.0 users": while
// on, a file from an older program is not rewritten in the current format
// when it is loaded.
enum class ShareWithOldPrograms { Yes, No };

enum class FormatDialog { Close, StayOpen };

FormatDialog chooseSaveFormat(Schedule& schedule, SaveState& state, Messages& messages, SaveFormat format,
                              ShareWithOldPrograms share);

// What the check box shows when the dialog opens.
ShareWithOldPrograms sharesWithOldPrograms(const Schedule& schedule);

extern const char* const kDescriptionTooLongText;  // before and after the description
extern const char* const kDescriptionTooLongTail;
extern const char* const kProjectsLostText;
extern const char* const kPriorityListLostText;

} // namespace zk
