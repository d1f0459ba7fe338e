#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// What another start of the program hands to the running copy: a Messenger-service popup
// text (kinds 1 and 2, Russian and English words) or files to offer (kind 3: target + ":" +
// one path; kind 4: target + ":" + paths, one per line). On the single-instance socket a record
// is the line "handover", the kind and the text percent-encoded as UTF-8, separated by blanks.
struct HandOverRecord {
    enum Kind { RussianPopup = 1, EnglishPopup = 2, OneFile = 3, SeveralFiles = 4 };

    int kind = 0;
    QString text;
};

// Files to offer, taken from a kind 3 or 4 record.
struct FileHandOver {
    QString target;
    QStringList files;
};

QByteArray handOverCommand(const HandOverRecord& record);
// The record of a "handover" line; nullopt for any other line or a kind other than 1 to 4.
std::optional<HandOverRecord> parseHandOverCommand(const QByteArray& command);

// Kind 3 for one file, kind 4 for several (each path followed by CR LF). The target must not
// hold ':' and no path a line break: the record could not be read back.
HandOverRecord fileHandOverRecord(const QString& target, const QStringList& files);
// The target (before the first ':') and the paths of a kind 3 or 4 record; nullopt for other
// kinds and for a text without ':'. Kind 4 paths are its non-empty lines.
std::optional<FileHandOver> parseFileHandOver(const HandOverRecord& record);

// The record of a popup text (line breaks made CR LF): kind 2 when its first line carries the
// English words, else kind 1.
HandOverRecord popupHandOverRecord(const QString& popupText);

} // namespace vantrel
