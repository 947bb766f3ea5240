#include "platform/inifile.h"

#include "core/text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <system_error>
#include <unistd.h>

namespace zk {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";


bool sameName(std::string_view a, std::string_view b) { return compareIgnoringCase(a, b) == 0; }

std::string unquoted(std::string_view v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// Quotes a value whose blanks or quotes would not survive being read back.
std::string quotedForWriting(const std::string& v)
{
    const bool needs = !v.empty() && (isBlankChar(v.front()) || isBlankChar(v.back()) || (v.front() == '"' && v.back() == '"'));
    return needs ? "\"" + v + "\"" : v;
}

std::string withoutLineBreaks(std::string_view v)
{
    std::string out(v);
    for (char& c : out)
        if (c == '\n' || c == '\r')
            c = ' ';
    return out;
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void setError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

} // namespace

IniFile IniFile::parse(std::string_view text)
{
    IniFile ini;
    if (text.starts_with(kByteOrderMark)) {
        ini.byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (raw.ends_with('\r')) {
            raw.remove_suffix(1);
            ini.crlf_ = true;
        }
        Line line;
        line.raw = std::string(raw);
        const std::string_view t = trimBlanks(raw);
        if (t.empty() || t[0] == ';' || t[0] == '#') {
            // kept as it is
        } else if (t[0] == '[' && t.back() == ']') {
            line.kind = Kind::Section;
            section = std::string(trimBlanks(t.substr(1, t.size() - 2)));
            line.name = section;
        } else if (const std::size_t eq = t.find('='); eq != std::string_view::npos && eq > 0) {
            line.kind = Kind::Entry;
            line.name = std::string(trimBlanks(t.substr(0, eq)));
            line.value = unquoted(trimBlanks(t.substr(eq + 1)));
        }
        line.section = section;
        ini.lines_.push_back(std::move(line));
    }
    return ini;
}

IniFile::LoadStatus IniFile::load(const std::filesystem::path& path)
{
    *this = IniFile();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return ec ? LoadStatus::Unreadable : LoadStatus::Missing;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return LoadStatus::Unreadable;
    if (size > kMaxFileSize)
        return LoadStatus::TooLarge;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return LoadStatus::Unreadable;
    // Read at most one byte more than allowed, in case the file grew.
    std::string data(kMaxFileSize + 1, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.bad())
        return LoadStatus::Unreadable;
    data.resize(static_cast<std::size_t>(in.gcount()));
    if (data.size() > kMaxFileSize)
        return LoadStatus::TooLarge;
    *this = parse(data);
    return LoadStatus::Loaded;
}

std::string IniFile::text() const
{
    const char* eol = crlf_ ? "\r\n" : "\n";
    std::string out = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const Line& line : lines_)
        out += line.raw + eol;
    return out;
}

bool IniFile::save(const std::filesystem::path& path, std::string* error) const
{
    std::error_code ec;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        setError(error, "cannot create " + path.parent_path().string() + ": " + ec.message());
        return false;
    }
    const std::filesystem::path temporary = path.string() + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        setError(error, "cannot write " + temporary.string() + ": " + std::strerror(errno));
        return false;
    }
    const bool written = writeAll(fd, text()) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        setError(error, "cannot write " + path.string() + ": " + std::strerror(written ? errno : savedErrno));
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::size_t> IniFile::findEntry(std::string_view section, std::string_view name) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Entry && sameName(lines_[i].section, section) && sameName(lines_[i].name, name))
            return i;
    return std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view name) const
{
    if (auto i = findEntry(section, name))
        return lines_[*i].value;
    return std::nullopt;
}

std::optional<int> IniFile::intValue(std::string_view section, std::string_view name) const
{
    const auto v = value(section, name);
    if (!v)
        return std::nullopt;
    std::size_t pos = 0;
    const bool negative = pos < v->size() && (*v)[pos] == '-';
    if (pos < v->size() && ((*v)[pos] == '-' || (*v)[pos] == '+'))
        ++pos;
    long long n = 0;
    std::size_t digits = 0;
    for (; pos < v->size() && (*v)[pos] >= '0' && (*v)[pos] <= '9'; ++pos, ++digits)
        n = std::min<long long>(n * 10 + ((*v)[pos] - '0'), std::numeric_limits<int>::max() + 1LL);
    if (digits == 0)
        return std::nullopt;
    n = negative ? -n : n;
    return static_cast<int>(std::clamp<long long>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool IniFile::setValue(std::string_view section, std::string_view name, std::string_view value)
{
    const std::string_view n = trimBlanks(name);
    if (n.empty() || n.find_first_of("=\r\n") != std::string_view::npos || n[0] == '[' || n[0] == ';' || n[0] == '#')
        return false;
    const std::string v = withoutLineBreaks(value);
    Line entry{Kind::Entry, std::string(n) + "=" + quotedForWriting(v), std::string(section), std::string(n), v};
    if (auto i = findEntry(section, n)) {
        entry.section = lines_[*i].section;
        entry.name = lines_[*i].name; // keep the spelling already in the file
        entry.raw = entry.name + "=" + quotedForWriting(v);
        lines_[*i] = std::move(entry);
        return true;
    }
    // After the last value of the first section of that name, or a new section.
    std::optional<std::size_t> insertAt;
    bool inSection = section.empty();
    if (inSection)
        insertAt = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section) {
            if (inSection && insertAt)
                break;
            inSection = sameName(lines_[i].name, section);
            if (inSection) {
                insertAt = i + 1;
                entry.section = lines_[i].name;
            }
        } else if (inSection && lines_[i].kind == Kind::Entry) {
            insertAt = i + 1;
        }
    }
    if (!insertAt) {
        if (!lines_.empty() && !trimBlanks(lines_.back().raw).empty())
            lines_.push_back(Line{Kind::Other, "", lines_.back().section, "", ""});
        lines_.push_back(Line{Kind::Section, "[" + std::string(section) + "]", std::string(section), std::string(section), ""});
        insertAt = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAt), std::move(entry));
    return true;
}

bool IniFile::remove(std::string_view section, std::string_view name)
{
    auto i = findEntry(section, name);
    if (!i)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*i));
    return true;
}

std::vector<std::string> IniFile::sections() const
{
    std::vector<std::string> out;
    for (const Line& line : lines_) {
        if (line.kind != Kind::Section)
            continue;
        bool seen = false;
        for (const auto& s : out)
            seen = seen || sameName(s, line.name);
        if (!seen)
            out.push_back(line.name);
    }
    return out;
}

std::vector<std::string> IniFile::names(std::string_view section) const
{
    std::vector<std::string> out;
    for (const Line& line : lines_) {
        if (line.kind != Kind::Entry || !sameName(line.section, section))
            continue;
        bool seen = false;
        for (const auto& n : out)
            seen = seen || sameName(n, line.name);
        if (!seen)
            out.push_back(line.name);
    }
    return out;
}

} // namespace zk
