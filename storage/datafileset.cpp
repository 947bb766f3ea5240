#include "storage/datafileset.h"

#include <array>
#include <cstdio>

namespace zk {

std::optional<DataFileSet::Path> DataFileSet::successor(const Path& file) const
{
    const std::array<Path, 5> chain{dataFile(), temporaryFile(), backupFile(), secondBackupFile(), startupCopy()};
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        if (file == chain[i])
            return chain[i + 1];
    return std::nullopt;
}

std::string textWithPath(const char* format, const std::filesystem::path& path)
{
    int n = std::snprintf(nullptr, 0, format, path.c_str());
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, format, path.c_str());
    return out;
}

} // namespace zk
