#include "messaging/blacklist.h"

#include <QHostAddress>

namespace vantrel {

bool IsInBlackList(const QStringList& blackList, const QString& name, const QLocale& locale)
{
    if (blackList.isEmpty())
        return false;
    const QString upper = locale.toUpper(name);
    for (const QString& entry : blackList) {
        if (locale.toUpper(entry) == upper)
            return true;
    }
    return false;
}

std::optional<quint32> BlackListAddress(const QString& entry)
{
    const QStringView text = QStringView(entry).trimmed();
    quint32 address = 0;
    int parts = 0;
    for (const QStringView part : text.split(u'.')) {
        if (++parts > 4 || part.isEmpty() || part.size() > 3)
            return std::nullopt;
        int value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        address = (address << 8) | quint32(value);
    }
    if (parts != 4)
        return std::nullopt;
    return address;
}

bool IsAddressInBlackList(const QStringList& blackList, const QString& peerIp)
{
    if (blackList.isEmpty())
        return false;
    bool ok = false;
    const quint32 peer = QHostAddress(peerIp).toIPv4Address(&ok);
    if (!ok)
        return false;
    for (const QString& entry : blackList) {
        if (BlackListAddress(entry) == peer)
            return true;
    }
    return false;
}

} // namespace vantrel
