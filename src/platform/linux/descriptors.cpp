#include "platform/descriptors.h"

#include <fcntl.h>
#include <unistd.h>

namespace vantrel {

qintptr DuplicateDescriptor(qintptr descriptor)
{
    if (descriptor < 0)
        return -1;
    // Close-on-exec, like every descriptor Qt opens: a sound player started later must not
    // inherit a peer's connection.
    return ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
}

void CloseDescriptor(qintptr descriptor)
{
    if (descriptor >= 0)
        ::close(int(descriptor));
}

} // namespace vantrel
