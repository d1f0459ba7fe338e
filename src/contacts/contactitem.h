#pragma once

#include <QString>
#include <QStringView>

namespace vantrel {

// The fields of one contact-list line: "computer name;display name;IP address;auto-IP flag".
//
// Splitting stops at the first missing ";": a line without any ";" is both the computer name
// and the display name; a missing IP address is empty and a missing flag is "1". Everything
// after the third ";" is the flag, taken as it stands. A group line ("[NAME]") carries no
// fields: its computer name and display name are the whole bracketed text.
struct ContactItem {
    QString compName;
    QString nick;
    QString ip;
    QString refIp = QStringLiteral("1");

    static ContactItem fromLine(QStringView line);

    // A group text starts with "[" and ends with "]"; an empty text is not one.
    static bool isGroupText(QStringView text);
    // The group name inside the brackets; other texts unchanged.
    static QString groupName(QStringView text);
    // The text a display tree shows: the display name, or the group name for a group line.
    static QString displayText(QStringView line);
};

} // namespace vantrel
