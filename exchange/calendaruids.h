#pragma once
// The UIDs that imported calendar items came with, kept beside the schedule
// in "calendar-uids.txt" (one "id<TAB>UID" line per item), so that a file
// imported again updates its items instead of adding them twice, and an
// export writes the UIDs back.
//
// A table that names an id whose item is gone is harmless: lookups ask the
// schedule for the live item.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace zk {

inline constexpr const char* kCalendarUidFileName = "calendar-uids.txt";

class CalendarUids {
public:
    // A missing or unreadable table is empty.
    static CalendarUids load(const std::filesystem::path& folder);
    // Replaces the table through a temporary file; false when it could not
    // be written.
    bool save(const std::filesystem::path& folder) const;

    const std::vector<std::uint32_t>& idsOf(const std::string& uid) const;
    // Empty when the item came with no UID.
    std::string uidOf(std::uint32_t id) const;
    void set(const std::string& uid, std::vector<std::uint32_t> ids);

private:
    std::map<std::string, std::vector<std::uint32_t>> byUid_;
    std::unordered_map<std::uint32_t, std::string> byId_;
};

} // namespace zk
