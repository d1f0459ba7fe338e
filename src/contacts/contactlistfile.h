#pragma once

#include "contacts/contacttree.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vantrel {

// Reading and writing contact-list files.
//
// Written form: UTF-8 with a byte-order mark, one line per node in pre-order, each line
// ended by CR LF and indented by one TAB per level.
//
// Read form: a UTF-8 or UTF-16 byte-order mark gives the encoding; without one the bytes are
// UTF-8 when they are valid UTF-8 and Windows-1251 otherwise (lists made on Windows machines).
// Lines end with CR LF, LF or CR; the last one may lack its line end. Each leading TAB or
// blank counts one level and is not part of the text. Every line is a node, an empty one
// included (an empty contact).
class ContactListFile final {
public:
    // Files larger than this are refused on reading.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

    struct LoadResult {
        bool ok = false;
        ContactTree tree;
        QString error; // empty when ok
    };

    // Reads a file. A missing, unreadable or oversized file or a line indented too deep
    // fails; the error of a bad indentation is "Invalid level (N) for item "TEXT"".
    static LoadResult load(const QString& path);
    // Replaces the file with the tree, atomically: on failure (error set) the previous file
    // stays as it was and no temporary file is left behind. Missing folders are created.
    static bool save(const QString& path, const ContactTree& tree, QString* error = nullptr);

    static LoadResult parse(QByteArrayView data);
    static QByteArray serialize(const ContactTree& tree);

    // The text of bytes whose encoding is not marked (see above).
    static QString decodeUnmarked(QByteArrayView data);
    // Windows-1251 to Unicode by the code page's own table, independent of the conversions the
    // Qt build provides. Byte 0x98, unassigned in the code page, becomes U+FFFD.
    static QString decodeWindows1251(QByteArrayView data);
};

} // namespace vantrel
