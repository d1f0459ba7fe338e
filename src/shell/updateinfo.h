#pragma once

#include <QByteArray>
#include <QString>

namespace vantrel {

// The update-information file UpdInfo.txt: lines (ended by CR LF, LF or CR) of a name, "=" and
// a value. A name matches without regard to letter case on the first line that carries it; the
// value is the rest of that line after the first "=", untrimmed. A byte-order mark selects the
// encoding (UTF-8, UTF-16 little or big endian); without one the file is read as Windows-1251.
struct UpdateInfo {
    QString version;    // Version: the newest version, four numbers joined by "."
    QString updateDate; // UpdateDate: its release date, free text

    static UpdateInfo parse(const QByteArray& bytes);
    static QString decode(const QByteArray& bytes);
    // The value of the first line whose name is `name`; empty when none.
    static QString value(const QString& text, const QString& name);
};

} // namespace vantrel
