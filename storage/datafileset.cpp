#include "storage/datafileset.h"

#include <array>

namespace zk {

std::optional<DataFileSet::Path> DataFileSet::successor(const Path& file) const
{
    const std::array<Path, 5> chain{dataFile(), temporaryFile(), backupFile(), secondBackupFile(), startupCopy()};
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        if (file == chain[i])
            return chain[i + 1];
    return std::nullopt;
}

} // namespace zk
