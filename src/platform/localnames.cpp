#include "platform/localnames.h"

#include <QSysInfo>

#include <vector>

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

QString loginName()
{
#if defined(Q_OS_UNIX)
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && found->pw_name[0] != '\0') {
        return QString::fromLocal8Bit(found->pw_name);
    }
#endif
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

} // namespace

LocalNames ReadLocalNames()
{
    LocalNames names;
    names.userName = loginName();
    const QString host = QSysInfo::machineHostName();
    names.computerName = host.left(host.indexOf(u'.'));
    return names;
}

} // namespace vantrel
