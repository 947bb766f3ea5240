#include "worktools/model/autodial.h"

#include "core/dateformat.h"
#include "core/dateparse.h"
#include "core/text.h"
#include "platform/filesystem.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace zk {

const char* const kDialErrorText = "error in dialing";
const char* const kAreaCodesNotFoundText = "File not found: %s";

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool startsRun(char c)
{
    return isDigit(c) || c == '@' || c == ',' || c == '(' || c == '*' || c == '#' || c == '-';
}

// The run that starts at `from`, as it stands (trailing blanks included).
std::string_view runAt(std::string_view text, std::size_t from)
{
    if (!startsRun(text[from]))
        return {};
    std::size_t end = from;
    while (end < text.size() && end - from < kMaxDialNumberBytes) {
        const char c = text[end];
        const std::size_t taken = end - from;
        const bool belongs = startsRun(c) || c == ' ' || c == '/' || c == ')' ||
                             (isLetter(c) && taken >= 4 && text[end - 1] != ' ');
        if (!belongs)
            break;
        ++end;
    }
    return text.substr(from, end - from);
}

} // namespace

std::string numberFromText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view run = runAt(text, i);
        while (!run.empty() && run.back() == ' ')
            run.remove_suffix(1);
        if (run.size() > 4 && run.find('-') != std::string_view::npos)
            return keypadDigits(run);
    }
    return {};
}

std::string keypadDigits(std::string_view number)
{
    static constexpr char kKeys[] = "22233344455566677778889999";
    std::string digits(number);
    for (char& c : digits)
        if (isLetter(c))
            c = kKeys[(c | 0x20) - 'a'];
    return digits;
}

std::string dialledNumber(std::string_view number, const DialPrefixes& prefixes, CallKind kind)
{
    const std::string_view trimmed = trimBlanks(number);
    std::string areaCode;
    std::string_view local = trimmed;
    if (std::size_t split = trimmed.find_first_of(")/- "); split != std::string_view::npos) {
        for (char c : trimmed.substr(0, split))
            if (isDigit(c))
                areaCode += c;
        local = trimBlanks(trimmed.substr(split + 1));
    }
    std::string dialled = prefixes.outside;
    if (kind == CallKind::Distance)
        dialled += prefixes.distance;
    else if (kind == CallKind::International)
        dialled += prefixes.international;
    if (compareIgnoringCase(areaCode, trimBlanks(prefixes.localAreaCode)) != 0)
        dialled += areaCode;
    dialled += local;
    return dialled;
}

std::optional<int> areaCodeOf(std::string_view number)
{
    int code = 0, digits = 0;
    for (char c : number)
        if (isDigit(c)) {
            code = code * 10 + (c - '0');
            if (++digits == 3)
                return code;
        }
    return std::nullopt;
}

const AreaCode* AreaCodeTable::find(int code) const
{
    for (const AreaCode& area : codes)
        if (area.code == code)
            return &area;
    return nullptr;
}

std::string westOffsetText(int minutesWest)
{
    const int magnitude = minutesWest < 0 ? -minutesWest : minutesWest;
    char text[24];
    std::snprintf(text, sizeof text, "%s%d:%02d", minutesWest < 0 ? "-" : "", magnitude / 60, magnitude % 60);
    return text;
}

std::optional<int> readWestOffset(std::string_view text)
{
    std::optional<int> minutes = parseDurationEntry(text);
    // A day's width either way is as far as time zones reach.
    if (!minutes || *minutes < -24 * 60 || *minutes > 24 * 60)
        return std::nullopt;
    return minutes;
}

AreaCodeTable readAreaCodesText(std::string_view text)
{
    AreaCodeTable table;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string utf8 = textFromStored(utf8Prefix(line, kMaxAreaCodeLineBytes));
        std::string_view rest = trimBlanks(utf8);
        const std::size_t codeEnd = rest.find(' ');
        if (codeEnd == std::string_view::npos)
            continue;
        const std::string_view codeText = rest.substr(0, codeEnd);
        if (codeText.empty() || codeText.size() > 6 || codeText.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        rest = trimBlanks(rest.substr(codeEnd + 1));
        const std::size_t offsetEnd = rest.find(' ');
        const std::optional<int> west = readWestOffset(rest.substr(0, offsetEnd));
        if (!west)
            continue;
        AreaCode area;
        area.code = std::stoi(std::string(codeText));
        area.minutesWest = *west;
        if (offsetEnd != std::string_view::npos)
            area.place = std::string(trimBlanks(rest.substr(offsetEnd + 1)));
        table.codes.push_back(std::move(area));
    }
    return table;
}

AreaCodeTable readAreaCodes(const std::filesystem::path& file)
{
    AreaCodeTable table;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        table.missing = true;
        char text[4200];
        std::snprintf(text, sizeof text, kAreaCodesNotFoundText, file.string().c_str());
        table.problem = text;
        return table;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(kMaxAreaCodeFileBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        table.problem = file.string() + " could not be read.";
        return table;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    // A table cut at the bound keeps its whole lines only.
    if (bytes.size() == kMaxAreaCodeFileBytes)
        bytes.resize(bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n'));
    return readAreaCodesText(bytes);
}

std::string areaCodesText(const std::vector<AreaCode>& codes)
{
    std::string text;
    for (const AreaCode& area : codes) {
        std::string place(trimBlanks(area.place));
        for (char& c : place)
            if (c == '\n' || c == '\r' || c == '\t')
                c = ' ';
        text += std::to_string(area.code) + " " + westOffsetText(area.minutesWest);
        if (!place.empty())
            text += " " + std::string(utf8Prefix(place, kMaxAreaCodePlaceBytes));
        text += "\n";
    }
    return text;
}

int writeAreaCodes(const std::filesystem::path& file, const std::vector<AreaCode>& codes)
{
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error)
        return error.value();
    return replaceFileContents(systemFileSystem(), file, areaCodesText(codes));
}

std::string areaLine(const AreaCode& area, TimeValue localNow, int localMinutesWest, const RegionalSettings& regional)
{
    constexpr int kDay = 24 * 60;
    int minutes = (localNow.minutes() + localMinutesWest - area.minutesWest) % kDay;
    if (minutes < 0)
        minutes += kDay;
    return timeText(TimeValue(minutes + 1), regional) + " " + area.place;
}

} // namespace zk
