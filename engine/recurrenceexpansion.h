#pragma once
// Recurrence expansion: putting the occurrences of recurring definitions on
// days, taking them off again, and making and undoing exceptions.
//
// An occurrence is a day entry that refers to the definition item itself;
// the day record counts them in nRecurEntries (placement keeps that count
// as entries come and go). Occurrences exist only on day records that
// exist, from the first non-past day on; a day record made later gets them
// when it is made (placeDefinitionsOnNewDay, the schedule's
// placeOccurrences hook).
//
// An exception is an item of its own with fException, whose recur names
// the definition and whose origDay (createdDay) is the occurrence day it
// replaces; that day is in the definition's exception list, so no standard
// occurrence is made there. A cancellation is a list entry without an item.
//
// Every operation works through one Placement (its schedule, its today and
// its layout) and lays out each day it changes once. The Shift carry-over
// option is applied by setStartDay(definition, today) from the carry-over
// of undone items; the rule for a moved exception is applied here, through
// the placement's hooks.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/recurrence.h"
#include "core/schedule.h"
#include "engine/placement.h"

namespace zk {

class Clock;

extern const char* const kExceptionRepairedText;

class RecurrenceExpansion {
public:
    explicit RecurrenceExpansion(Placement& placement);

    // Every definition's occurrence for a day record just made; false when
    // an entry could not be put there.
    bool placeDefinitionsOnNewDay(DayNumber day);
    // True when an entry was added: the definition occurs on the day, the
    // day is not in its exception list, the day has a record and holds no
    // entry of the definition yet.
    bool placeDefinitionOnDay(ItemHandle definition, DayNumber day);
    // On every existing day record from the first non-past day on. False
    // when an insertion failed; the definition is then off all days again.
    bool placeDefinitionOnAllDays(ItemHandle definition);
    // Every entry of the definition leaves its day; each day is laid out.
    void takeDefinitionOffAllDays(ItemHandle definition);
    // After the definition's record (time, duration, ...) or rule changed:
    // off all days and on again.
    bool rebuildOccurrences(ItemHandle definition);
    // Stores the rule (not its exception count or list) and rebuilds.
    bool changeRule(ItemHandle definition, const RecurrenceRecord& rule);
    // Off all days, the new start day, on all days again.
    void setStartDay(ItemHandle definition, DayNumber day);
    // Sets or clears the suspended bit; a suspended definition is on no day.
    void setSuspended(ItemHandle definition, bool suspended);

    // The entry of a standard occurrence becomes an exception: a new item
    // copying the definition (own description, own id, in the item chain on
    // the entry's day), listed under that day. The entry then refers to it.
    // Returns the new item, or none when the entry is not a standard
    // occurrence or the list entry could not be made (nothing changed).
    ItemHandle makeException(EntryRef entry);
    // The entry of an exception refers to its definition again; the
    // exception item is deleted and its day leaves the exception list. An
    // exception that was moved off its occurrence day gives the occurrence
    // back to that day instead. False when the entry is not an exception.
    bool undoException(EntryRef entry);
    // The standard occurrence of the entry is cancelled: its day goes into
    // the exception list (without an item) and the entry leaves the day.
    bool cancelOccurrence(EntryRef entry);
    // Undoes a cancellation: the day leaves the exception list and the
    // occurrence is placed again. True when it was placed.
    bool restoreOccurrence(ItemHandle definition, DayNumber day);
    // For a definition deleted or made non-recurring: every exception item
    // that is not done is deleted (off its days); a done one stays as an
    // ordinary item. The exception list is empty afterwards.
    void deleteExceptions(ItemHandle definition);

    // Placement's consultation of recurrence (see RecurrenceHooks):
    // - an inserted exception whose day is no longer listed becomes an
    //   ordinary item, with kExceptionRepairedText;
    // - a standard occurrence about to move to another day first becomes
    //   an exception;
    // - a moved exception of a definition with the Shift option restarts
    //   the series on its new day, unless an occurrence lies between the
    //   first non-past day and that day.
    bool exceptionStillListed(ItemHandle exception);
    bool prepareDefinitionMove(EntryRef entry, DayNumber to);
    void exceptionMoved(ItemHandle exception, DayNumber to);

private:
    Schedule& schedule() { return placement_.schedule(); }
    DayNumber today() const { return placement_.context().today; }
    enum class Placing { Added, NotDue, Failed };
    Placing placeOn(ItemHandle definition, DayNumber day);
    void removeEntriesOf(ItemHandle item, DayNumber day);
    void deleteItem(ItemHandle item);

    Placement& placement_;
};

// The hooks every Placement consults; installed by its constructor.
RecurrenceHooks recurrenceHooksFor(Placement& placement);

// What a session wires: a future day record made by Schedule::getDay gets
// every definition's occurrence (the placeOccurrences hook) ...
void attachOccurrencePlacing(Schedule& schedule, const Clock& clock);
// ... and a definition just added gets its occurrences on every existing
// day (AddItemServices::generateOccurrences).
bool generateOccurrences(Schedule& schedule, const Clock& clock, ItemHandle definition);

} // namespace zk
