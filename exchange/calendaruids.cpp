#include "exchange/calendaruids.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

namespace zk {

CalendarUids CalendarUids::load(const std::filesystem::path& folder)
{
    CalendarUids table;
    std::ifstream in(folder / kCalendarUidFileName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab > 10)
            continue;
        const std::string digits = line.substr(0, tab);
        if (digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto id = static_cast<std::uint32_t>(std::stoul(digits));
        std::string uid = line.substr(tab + 1);
        if (!uid.empty() && uid.back() == '\r')
            uid.pop_back();
        if (uid.empty())
            continue;
        table.byUid_[uid].push_back(id);
        table.byId_[id] = uid;
    }
    return table;
}

bool CalendarUids::save(const std::filesystem::path& folder) const
{
    const std::filesystem::path file = folder / kCalendarUidFileName;
    const std::filesystem::path temporary = folder / (std::string(kCalendarUidFileName) + ".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const auto& [uid, ids] : byUid_)
            for (std::uint32_t id : ids)
                out << id << '\t' << uid << '\n';
        out.flush();
        if (!out)
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    return !error;
}

const std::vector<std::uint32_t>& CalendarUids::idsOf(const std::string& uid) const
{
    static const std::vector<std::uint32_t> none;
    auto it = byUid_.find(uid);
    return it == byUid_.end() ? none : it->second;
}

std::string CalendarUids::uidOf(std::uint32_t id) const
{
    auto it = byId_.find(id);
    return it == byId_.end() ? std::string() : it->second;
}

void CalendarUids::set(const std::string& uid, std::vector<std::uint32_t> ids)
{
    for (std::uint32_t id : idsOf(uid))
        byId_.erase(id);
    // UIDs are kept on one line: a line break or tab in one cannot split it.
    std::string clean = uid;
    for (char& c : clean)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    for (std::uint32_t id : ids)
        byId_[id] = clean;
    if (ids.empty())
        byUid_.erase(clean);
    else
        byUid_[clean] = std::move(ids);
}

} // namespace zk
