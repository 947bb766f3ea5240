#include "shell/model/backgroundwork.h"

#include "platform/messages.h"

namespace zk {

const char* const kBackgroundProcessingText = "Background processing is occurring.";

// Taking the lock anyway after the wait would let a change run beside a
// save that is still writing; the message says why the program waits.
void BackgroundWork::acquireForChange(Messages& messages)
{
    if (mutex_.try_lock_for(kPatience))
        return;
    messages.information(kBackgroundProcessingText);
    mutex_.lock();
}

} // namespace zk
