#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

namespace vantrel {

// Reads a smiley-set file (Smiles.ini) the way the Windows INI reader reads it, so that set
// files made for Windows peers load unchanged:
// - encoding: UTF-16 (LE or BE) or UTF-8 when the file starts with the matching byte-order
//   mark, otherwise the Windows Cyrillic code page 1251;
// - lines end with CR LF, LF or CR; blanks and tabs around a line, a key and a value are
//   dropped; lines starting with ';' are comments;
// - "[name]" starts a section (the name up to the first ']'); "key=value" lines belong to the
//   section above them, lines before the first section and lines without '=' are ignored;
// - a value enclosed in a pair of matching quotes (" or ') loses them;
// - keys are compared without regard to case, and the first of two equal keys counts.
// Sections are kept in file order, each with its own keys (two sections of the same name
// stay two sections).
class SmileySetFile final {
public:
    // Larger files are refused: a set file is a few kilobytes.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    struct Section {
        QString name;
        QList<std::pair<QString, QString>> values;

        // The value of the first key equal to `key` without regard to case; empty if none.
        QString value(QStringView key) const;
    };

    // The file's sections; nullopt when it is missing, unreadable or larger than MaxFileSize.
    static std::optional<QList<Section>> read(const QString& path);

    static QList<Section> parse(QStringView text);
    // Decodes file bytes by their byte-order mark (which is dropped), else as code page 1251.
    static QString decode(QByteArrayView data);
    // Code page 1251 by a table of its own, independent of the codecs Qt was built with.
    static QString decodeWindows1251(QByteArrayView data);
};

} // namespace vantrel
