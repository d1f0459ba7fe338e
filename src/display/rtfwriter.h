#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace vantrel {

// Writes a rich-text document as RTF that word processors open: the ANSI Cyrillic code page
// with every non-ASCII character as a \uN escape (its code-page byte as the fallback), a font
// and a colour table, bold, italic, underline, point sizes, paragraph alignment and line
// breaks, and inline pictures (the document's image resources) as PNG data.
class RtfWriter final {
public:
    // The RTF text of the whole document.
    static QByteArray toRtf(const QTextDocument& document);

    // Writes toRtf(document) to `path` through a temporary file in the same folder, so a
    // failure leaves any previous file intact. False, with `error` set, on failure.
    static bool write(const QTextDocument& document, const QString& path, QString* error = nullptr);
};

} // namespace vantrel
