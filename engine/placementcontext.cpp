#include "engine/placementcontext.h"

#include "platform/clock.h"

namespace zk {

PlacementContext PlacementContext::at(const Clock& clock)
{
    LocalMoment moment = clock.localNow();
    PlacementContext context;
    context.today = moment.dayNumber();
    context.now = moment.timeValue();
    return context;
}

} // namespace zk
