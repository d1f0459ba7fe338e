#include "platform/threadpriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace vantrel {

void LowerCurrentThreadPriority()
{
    // On Linux the nice value belongs to the thread; raising it needs no privilege.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

} // namespace vantrel
