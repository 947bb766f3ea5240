#pragma once
// A profile file in the INI form: "[section]" lines, "name=value" lines,
// and comment lines starting with ';' or '#'. Section and value names match
// without regard to (ASCII) case; the first of several matches wins, as in
// the profile functions this stands in for. A value wrapped in double quotes
// is read without them.
//
// Writing keeps every line it did not change, comments, blank lines and lines
// it cannot read included, and keeps the file's line ends (LF or CRLF) and a
// leading UTF-8 byte-order mark. Saving goes through a temporary file in the
// same folder and a rename, so a reader never sees half a file.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class IniFile {
public:
    enum class LoadStatus {
        Loaded,
        Missing,    // no such file: an empty profile
        Unreadable, // it exists but could not be read
        TooLarge,   // larger than kMaxFileSize: not a profile
    };
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    static IniFile parse(std::string_view text);
    // Replaces the content with the file's; on any status but Loaded the
    // content is empty.
    LoadStatus load(const std::filesystem::path& path);
    // Creates missing parent folders. On failure returns false and, when
    // error is given, says why.
    bool save(const std::filesystem::path& path, std::string* error = nullptr) const;
    std::string text() const;

    std::optional<std::string> value(std::string_view section, std::string_view name) const;
    // The leading integer of the value ("12abc" is 12), as the profile's
    // integer reads do; nothing when the value is missing or not a number.
    std::optional<int> intValue(std::string_view section, std::string_view name) const;
    // Sets or adds a value; false for a name that cannot be written (empty,
    // or containing '=' or a line break). Line breaks in the value become
    // blanks.
    bool setValue(std::string_view section, std::string_view name, std::string_view value);
    bool remove(std::string_view section, std::string_view name);

    std::vector<std::string> sections() const;
    std::vector<std::string> names(std::string_view section) const;

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        Kind kind = Kind::Other;
        std::string raw;     // the line as read, or as last written
        std::string section; // the section it belongs to ("" before the first)
        std::string name;    // Section: its name; Entry: the value name
        std::string value;   // Entry only, unquoted
    };

    std::optional<std::size_t> findEntry(std::string_view section, std::string_view name) const;

    std::vector<Line> lines_;
    bool crlf_ = false;
    bool byteOrderMark_ = false;
};

} // namespace zk
