#pragma once
// The "Balance Workload Settings" form without its window: the texts its
// fields start with, and the reading of what was typed. A field that does
// not read is named with the message to show, and nothing is stored.
//
// Fields: today's and the future free reserve (durations, 0 to 23 hours),
// the first and last keep-clear dates (empty: not set; the last may not
// lie before the first), the minimum split piece (1 minute to 12 hours),
// the Marval colour-cube sensitivity and the default Marval horizon in
// months.

#include "core/dateparse.h"
#include "engine/balancing.h"

#include <string>
#include <variant>

namespace zk {

extern const char* const kDatesInconsistentText;
extern const char* const kSplitMinimumRangeText;
extern const char* const kFreeReserveRangeText;
extern const char* const kMarvalFieldText;

inline constexpr int kDefaultMarvalSense = 8;

enum class BalanceField {
    TodayReserve, FutureReserve, KeepClearFirst, KeepClearLast, MinSplit, MarvalSense, MarvalHorizon,
};

struct BalanceFormTexts {
    std::string todayReserve;
    std::string futureReserve;
    std::string keepClearFirst;
    std::string keepClearLast;
    std::string minSplit;
    std::string marvalSense;
    std::string marvalHorizon;
};

struct BalanceFormValues {
    BalanceSettings settings;
    int marvalSense = kDefaultMarvalSense;
};

struct BalanceFormError {
    BalanceField field;
    std::string text;
};

BalanceFormTexts balanceFormTexts(const BalanceFormValues& values, const RegionalSettings& regional);

// `base` supplies what the form does not edit (the last balance day).
std::variant<BalanceFormValues, BalanceFormError> readBalanceForm(const BalanceFormTexts& texts,
                                                                 const BalanceSettings& base,
                                                                 const EntryContext& context);

} // namespace zk
