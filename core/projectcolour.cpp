#include "core/projectcolour.h"

#include "core/schedule.h"

namespace zk {

std::optional<std::uint32_t> projectColourOf(const ItemRecord& project)
{
    const std::uint32_t stored = project.prereqId();
    if (project.kind() != ItemKind::project || !(stored & kProjectColourSet))
        return std::nullopt;
    return stored & 0x00FFFFFF;
}

void setProjectColour(ItemRecord& project, std::optional<std::uint32_t> colorRef)
{
    project.setPrereqId(colorRef ? (*colorRef & 0x00FFFFFF) | kProjectColourSet : 0);
}

// The projects are few: a walk over them is cheaper than any index.
std::optional<std::uint32_t> projectColour(const Schedule& schedule, std::uint32_t projectId)
{
    if (projectId == 0)
        return std::nullopt;
    for (ItemHandle p : schedule.projects) {
        const ItemRecord& r = schedule.record(p);
        if (r.id() == projectId)
            return projectColourOf(r);
    }
    return std::nullopt;
}

} // namespace zk
