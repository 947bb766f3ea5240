#include "shell/model/balanceform.h"

#include "core/dateformat.h"

#include <algorithm>
#include <cctype>

namespace zk {

const char* const kDatesInconsistentText = "Dates inconsistent";
const char* const kSplitMinimumRangeText =
    "Minimum split instance must be in the range of 1 minute to 12 hours. 15 minutes is recommended";
const char* const kFreeReserveRangeText = "A free reserve must be in the range of 0 minutes to 23 hours.";
const char* const kMarvalFieldText = "Please enter a whole number from 0 to 999.";

namespace {

constexpr int kMostMarvalNumber = 999;

std::string trimmed(const std::string& text)
{
    auto first = std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
    auto last = std::find_if_not(text.rbegin(), text.rend(), [](unsigned char c) { return std::isspace(c); }).base();
    return first < last ? std::string(first, last) : std::string();
}

std::optional<int> minutesIn(const std::string& text, int lowest, int highest)
{
    std::optional<int> minutes = parseDurationEntry(trimmed(text));
    if (!minutes || *minutes < lowest || *minutes > highest)
        return std::nullopt;
    return minutes;
}

std::optional<int> wholeNumber(const std::string& text)
{
    std::string t = trimmed(text);
    if (t.empty() || t.size() > 3 || t.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(t);
}

// An empty field leaves the date unset; anything else must read as a date.
std::optional<DayNumber> dateIn(const std::string& text, const EntryContext& context)
{
    std::string t = trimmed(text);
    if (t.empty())
        return kNoDay;
    int value = parseDateEntry(t, context);
    if (value == kInvalidEntry || value <= 0)
        return std::nullopt;
    return DayNumber(value);
}

} // namespace

BalanceFormTexts balanceFormTexts(const BalanceFormValues& values, const RegionalSettings& regional)
{
    const BalanceSettings& s = values.settings;
    auto date = [&](DayNumber day) { return day.isNone() ? std::string() : numericDate(day, regional); };
    return {durationClock(s.todayReserve, regional), durationClock(s.futureReserve, regional),
            date(s.keepClearFirst), date(s.keepClearLast), durationClock(s.minSplitMinutes, regional),
            std::to_string(values.marvalSense), std::to_string(s.marvalHorizonMonths)};
}

std::variant<BalanceFormValues, BalanceFormError> readBalanceForm(const BalanceFormTexts& texts,
                                                                 const BalanceSettings& base,
                                                                 const EntryContext& context)
{
    BalanceFormValues values;
    values.settings = base;
    BalanceSettings& s = values.settings;
    std::optional<int> today = minutesIn(texts.todayReserve, 0, kMaxFreeReserve);
    if (!today)
        return BalanceFormError{BalanceField::TodayReserve, kFreeReserveRangeText};
    std::optional<int> future = minutesIn(texts.futureReserve, 0, kMaxFreeReserve);
    if (!future)
        return BalanceFormError{BalanceField::FutureReserve, kFreeReserveRangeText};
    std::optional<DayNumber> first = dateIn(texts.keepClearFirst, context);
    if (!first)
        return BalanceFormError{BalanceField::KeepClearFirst, kDatesInconsistentText};
    std::optional<DayNumber> last = dateIn(texts.keepClearLast, context);
    if (!last || (!first->isNone() && !last->isNone() && *last < *first))
        return BalanceFormError{BalanceField::KeepClearLast, kDatesInconsistentText};
    std::optional<int> split = minutesIn(texts.minSplit, 1, kMinSplitLimit);
    if (!split)
        return BalanceFormError{BalanceField::MinSplit, kSplitMinimumRangeText};
    std::optional<int> sense = wholeNumber(texts.marvalSense);
    if (!sense || *sense > kMostMarvalNumber)
        return BalanceFormError{BalanceField::MarvalSense, kMarvalFieldText};
    std::optional<int> horizon = wholeNumber(texts.marvalHorizon);
    if (!horizon || *horizon > kMostMarvalNumber)
        return BalanceFormError{BalanceField::MarvalHorizon, kMarvalFieldText};
    s.todayReserve = *today;
    s.futureReserve = *future;
    s.keepClearFirst = *first;
    s.keepClearLast = *last;
    s.minSplitMinutes = *split;
    s.marvalHorizonMonths = *horizon;
    values.marvalSense = *sense;
    return values;
}

} // namespace zk
