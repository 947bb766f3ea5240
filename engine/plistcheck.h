#pragma once
// The priority list between memory and the data file: rebuilding it from
// the stored keys, the letter conversion of files from before letters
// existed, the keys written back, and the check that runs after loading and
// before every save.
//
// A Plist key is the plistLink value a floating item's record held when the
// file was saved, which is its entry's slot index (core/prioritylist.h);
// the file lists the keys in list order, ended by a 0 key.
//
// Loading, in order:
//   1. read the item records (their plistLink still holds the old keys);
//   2. linkLoadedPlist(schedule, keys, match): one entry per matched key, in
//      file order, each item's plistLink set to its new entry;
//   3. when lettersNeedConversion(file program version): convertOldLetters;
//   4. checkPlist(schedule, PlistCheckTime::StartUp); false = the user
//      chose the backup file and loading stops.
// Saving: checkPlist(schedule, PlistCheckTime::Session); the writer then
// numbers the entries in list order.

#include "core/prioritylist.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zk {

class Schedule;

extern const char* const kFluidActNotInPlistText;
extern const char* const kUseBackupQuestion;
extern const char* const kRemovedPlistEntryText;

enum class PlistKeyMatch {
    Whole,  // format 25 and later, written by program version 4.03 or later
    Low16,  // otherwise: the low 16 bits of key and plistLink are compared
};

struct LinkedPlist {
    int matched = 0;
    int dropped = 0;  // keys that matched no floating item of the item chain
    bool ok = true;   // false when more than one key was dropped: the load fails
};

// Builds the list (which must be empty) from the keys in file order. Each
// key takes the floating item in the item chain whose plistLink equals it
// (the first one in chain order; an item is taken once). A file whose order
// breaks the class order is put in letter order, keeping the file order
// inside each letter; then everything is renumbered. Dropped keys are
// reported with the "Priority list reference(s) not found" message.
LinkedPlist linkLoadedPlist(Schedule& schedule, std::span<const std::uint32_t> keys, PlistKeyMatch match);
std::string referencesNotFoundText(int dropped);

// Files written by program versions below 4.1 had no priority letters.
bool lettersNeedConversion(float fileProgramVersion);
// Gives the entries letters by thirds of the list: position s of n below
// n / 3 -> "A", from 2n / 3 on -> "C", else "B" (integer division), to the
// entry and its item; items that are not floating get "A".
void convertOldLetters(Schedule& schedule);

enum class PlistCheckTime {
    StartUp,  // after loading at start: inconsistencies are repaired
    Session,  // later (before saving): an inconsistency is an internal fault
};
// Checks invariant 3 against the item chain. Entries of items on past days
// are removed (with the "Past items cannot be fluid" message) at any time.
// At start-up every floating item without an entry loses fFloating ("Set
// fluid off on act not in plist", then its title; after every fifth the
// user may choose the backup file instead, which returns false) and every
// entry no floating item points to is removed ("Removed one plist item
// since no such act"). True when the list is valid or was repaired.
bool checkPlist(Schedule& schedule, PlistCheckTime when);

} // namespace zk
