#pragma once
// A project's colour: chosen in the project dialog, drawn as a small box in
// the line of every item that belongs to the project.
//
// Where it is kept: in the project's own item record, in the `prereqId`
// field (offset 94). A project never floats, so it never has a
// prerequisite, and project records are written and read whole with the
// schedule, so the colour comes back after a save and a load without any
// change of layout. The field holds kProjectColourSet together with the
// colour as a COLORREF (0x00BBGGRR); 0 means the project has no colour,
// which keeps black a colour that can be chosen.

#include "core/itemrecord.h"

#include <cstdint>
#include <optional>

namespace zk {

class Schedule;

inline constexpr std::uint32_t kProjectColourSet = 0x01000000;

// The colour of a project record, or none.
std::optional<std::uint32_t> projectColourOf(const ItemRecord& project);
// Sets (or, with none, clears) the colour of a project record.
void setProjectColour(ItemRecord& project, std::optional<std::uint32_t> colorRef);
// The colour of the project with this id, or none (no project, no colour).
std::optional<std::uint32_t> projectColour(const Schedule& schedule, std::uint32_t projectId);

} // namespace zk
