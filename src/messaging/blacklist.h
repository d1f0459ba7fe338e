#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// True when `name` equals an entry of the black list once both are upper-cased by the
// locale's rules. An empty list holds nobody; an empty name matches only an empty entry.
bool IsInBlackList(const QStringList& blackList, const QString& name,
                   const QLocale& locale = QLocale::system());

// The IPv4 address of a black-list entry written as a dotted quad ("192.168.0.7", blanks
// around it allowed, each part 0-255); nullopt for any other entry (a computer name).
std::optional<quint32> BlackListAddress(const QString& entry);

// True when an entry of the black list is the IPv4 address `peerIp` (dotted, or IPv4-mapped
// IPv6); such an entry refuses the peer without any name lookup.
bool IsAddressInBlackList(const QStringList& blackList, const QString& peerIp);

} // namespace vantrel
