#include "exchange/textimport.h"

#include "core/item.h"
#include "core/text.h"
#include "sharing/pipeline.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace zk {

const char* const kImportNotFoundText = "%s not found.";
const char* const kImportTooLargeText = "%s is too large to import.";

namespace {

std::string printed(const char* pattern, const std::string& value)
{
    int size = std::snprintf(nullptr, 0, pattern, value.c_str());
    std::string text(static_cast<std::size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, value.c_str());
    return text;
}

// Calls `each` with every line, its line end taken off.
template <typename F>
void forEachLine(std::string_view text, F each)
{
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        each(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

bool tooMany(PreparedImport& prepared)
{
    if (prepared.items.size() < kMaxImportItems)
        return false;
    prepared.items.clear();
    prepared.problem = "The file holds more than " + std::to_string(kMaxImportItems)
                       + " items; nothing was imported.";
    return true;
}

std::optional<int> number(std::string_view text)
{
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string importText(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

ImportFile readImportFile(const std::filesystem::path& file)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in || std::filesystem::is_directory(file))
        return {{}, printed(kImportNotFoundText, file.string())};
    if (size > kMaxImportFileBytes)
        return {{}, printed(kImportTooLargeText, file.string())};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return {importText(bytes), {}};
}

PreparedImport readPipelineImport(std::string_view text, const ItemRecord& templateItem, DayNumber shownDay,
                                  const EntryContext& context)
{
    PreparedImport prepared;
    forEachLine(text, [&](std::string_view line) {
        if (!prepared.problem.empty() || trimBlanks(line).empty())
            return;
        PipelineLine parsed = parsePipelineLine(line, templateItem, shownDay, context);
        if (!parsed.item) {
            ++prepared.skipped;
            return;
        }
        if (tooMany(prepared))
            return;
        prepared.items.push_back(ImportItem{std::move(*parsed.item), {}, {}, {}, false});
    });
    return prepared;
}

std::string tabSubject(std::string_view field)
{
    std::string subject(field);
    if (subject.starts_with('"')) {
        subject.erase(0, 1);
        for (char& c : subject)
            if (c == '"')
                c = ' ';
    }
    return std::string(trimBlanks(subject));
}

int tabTime(std::string_view field)
{
    std::string s(trimBlanks(field));
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::optional<bool> pm;
    if (s.ends_with("AM") || s.ends_with("PM")) {
        pm = s.ends_with("PM");
        s.resize(s.size() - 2);
        s = std::string(trimBlanks(s));
    }
    std::vector<std::string_view> parts;
    std::string_view rest = s;
    for (;;) {
        std::size_t colon = rest.find(':');
        parts.push_back(rest.substr(0, colon));
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    if (parts.size() < 2 || parts.size() > 3)
        return kInvalidEntry;
    std::optional<int> hour = number(parts[0]), minute = number(parts[1]);
    std::optional<int> second = parts.size() == 3 ? number(parts[2]) : std::optional<int>(0);
    if (!hour || !minute || !second || parts[1].size() != 2 || *minute > 59 || *second > 59)
        return kInvalidEntry;
    if (pm) {
        if (*hour < 1 || *hour > 12)
            return kInvalidEntry;
        *hour = *hour % 12 + (*pm ? 12 : 0);
    } else if (*hour > 23) {
        return kInvalidEntry;
    }
    return TimeValue::fromClock(*hour, *minute).value();
}

PreparedImport readTabImport(std::string_view text, const ItemRecord& templateItem, const EntryContext& context)
{
    PreparedImport prepared;
    bool heading = true;
    forEachLine(text, [&](std::string_view line) {
        if (heading || !prepared.problem.empty()) {
            heading = false;
            return;
        }
        std::vector<std::string_view> fields;
        for (std::string_view rest = line;;) {
            std::size_t tab = rest.find('\t');
            fields.push_back(rest.substr(0, tab));
            if (tab == std::string_view::npos)
                break;
            rest.remove_prefix(tab + 1);
        }
        std::string subject = tabSubject(fields[0]);
        if (subject.empty() || subject.size() > kMaxDescriptionBytes) {
            prepared.skipped += subject.empty() ? 0 : 1;
            return;
        }
        NewItem item;
        item.record = templateItem;
        item.text = std::move(subject);
        // A missing date, one that does not read, or one already past: today.
        int day = fields.size() > 1 ? parseDateEntry(trimBlanks(fields[1]), context) : kInvalidEntry;
        item.day = day == kInvalidEntry || day == 0 || DayNumber(day) < context.today ? context.today : DayNumber(day);
        item.record.setDay(static_cast<std::uint16_t>(item.day.value()));
        if (fields.size() > 2 && !trimBlanks(fields[2]).empty()) {
            int time = tabTime(fields[2]);
            if (time == kInvalidEntry) {
                ++prepared.skipped;
                return;
            }
            item.record.setBeginTime(static_cast<std::int16_t>(time));
            item.record.setFlag(ItemFlag::fAnchored, true);
        }
        if (tooMany(prepared))
            return;
        prepared.items.push_back(ImportItem{std::move(item), {}, {}, {}, false});
    });
    return prepared;
}

} // namespace zk
