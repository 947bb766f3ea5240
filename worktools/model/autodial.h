#pragma once
// Dialling a telephone number found in an item's text: the number picked
// out of the text, keypad letters turned into digits, the string dialled
// with the user's prefixes, and the table of area codes that gives the
// place of a number and its time of day.
//
// Contract:
// - numberFromText() takes, from the first position where one starts, the
//   first run longer than 4 characters that holds a "-": digits, "@", ",",
//   "(", "*", "#", "-" start and continue a run; blanks, "/" and ")" continue
//   it; letters continue it after a character other than a blank once 4
//   characters are taken. A run stops at 40 bytes; trailing blanks are
//   dropped. Letters come back as keypad digits.
// - The area-code table "areacode.txt" holds lines "code offset place":
//   the offset is hours and minutes west of universal time in the duration
//   form ("8:00", "-1:00"). It is read bounded (kMaxAreaCodeFileBytes, and
//   lines beyond kMaxAreaCodeLineBytes are cut), lines that do not read are
//   left out, and it is written whole through a temporary file and a
//   rename, so a reader never sees half of it.

#include "core/daynumber.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

struct RegionalSettings;

inline constexpr std::size_t kMaxDialNumberBytes = 40;
inline constexpr const char* kAreaCodeFileName = "areacode.txt";
inline constexpr std::size_t kMaxAreaCodeLineBytes = 256;
inline constexpr std::size_t kMaxAreaCodePlaceBytes = 200;
inline constexpr std::uintmax_t kMaxAreaCodeFileBytes = 4u << 20;

// The prefixes in the setting store, with their longest values.
inline constexpr const char* kOutsidePrefixSetting = "OutsidePrefix";
inline constexpr const char* kDistancePrefixSetting = "DistancePrefix";
inline constexpr const char* kLocalAreaCodeSetting = "LocalAreaCode";
inline constexpr const char* kInternationalPrefixSetting = "InternationalPrefix";
inline constexpr std::size_t kMaxOutsidePrefixBytes = 3;
inline constexpr std::size_t kMaxDistancePrefixBytes = 20;
inline constexpr std::size_t kMaxLocalAreaCodeBytes = 7;
inline constexpr std::size_t kMaxInternationalPrefixBytes = 3;

extern const char* const kDialErrorText;          // the call could not be handed on
extern const char* const kAreaCodesNotFoundText;  // printf form, the file

// The telephone number in an item's text, or empty.
std::string numberFromText(std::string_view text);
// A B C = 2 ... W X Y Z = 9, either case; other characters stay.
std::string keypadDigits(std::string_view number);

struct DialPrefixes {
    std::string outside;
    std::string distance;
    std::string localAreaCode;  // left out of a number that has this area code
    std::string international;
};

enum class CallKind { Local, Distance, International };

// The string dialled: the outside prefix, the long-distance or the
// international prefix by the kind of call, the number's area code unless
// it is the local one, then the local number. The area code is the digits
// before the number's first ")", "/", "-" or blank.
std::string dialledNumber(std::string_view number, const DialPrefixes& prefixes, CallKind kind);

// The number formed by the first 3 digits of the number; none before it
// has 3.
std::optional<int> areaCodeOf(std::string_view number);

struct AreaCode {
    int code = 0;
    int minutesWest = 0;  // of universal time
    std::string place;
    friend bool operator==(const AreaCode&, const AreaCode&) = default;
};

struct AreaCodeTable {
    std::vector<AreaCode> codes;
    bool missing = false;  // no table at all
    std::string problem;   // it could not be read; empty when read

    const AreaCode* find(int code) const;
};

AreaCodeTable readAreaCodes(const std::filesystem::path& file);
AreaCodeTable readAreaCodesText(std::string_view text);
std::string areaCodesText(const std::vector<AreaCode>& codes);
// 0, or the errno of the step that failed (the old table is kept then).
int writeAreaCodes(const std::filesystem::path& file, const std::vector<AreaCode>& codes);

// The offset as written in the table ("8:00", "-5:30"), and read back.
std::string westOffsetText(int minutesWest);
std::optional<int> readWestOffset(std::string_view text);

// "time place": the area's time of day, from this machine's time and its
// own offset west of universal time.
std::string areaLine(const AreaCode& area, TimeValue localNow, int localMinutesWest, const RegionalSettings& regional);

} // namespace zk
