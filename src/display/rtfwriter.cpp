#include "display/rtfwriter.h"

#include "core/atomicfile.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Pixels at 96 dpi to twips.
constexpr int TwipsPerPixel = 15;

// The windows-1251 byte of a character, or '?' when the code page lacks it; used as the
// fallback after each \uN escape for readers without Unicode support.
char cp1251Byte(char16_t c)
{
    if (c >= 0x0410 && c <= 0x044F)
        return static_cast<char>(0xC0 + (c - 0x0410));
    switch (c) {
    case 0x0401:
        return static_cast<char>(0xA8); // Ё
    case 0x0451:
        return static_cast<char>(0xB8); // ё
    case 0x00AB:
        return static_cast<char>(0xAB); // «
    case 0x00BB:
        return static_cast<char>(0xBB); // »
    case 0x2116:
        return static_cast<char>(0xB9); // №
    case 0x2013:
        return static_cast<char>(0x96);
    case 0x2014:
        return static_cast<char>(0x97);
    default:
        return '?';
    }
}

class Builder final {
public:
    explicit Builder(const QTextDocument& document)
        : m_document(document)
    {}

    QByteArray build()
    {
        fontIndex(QString()); // \deff0 always has its entry, even in an empty document
        QByteArray body;
        bool first = true;
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
            if (!first)
                body += "\\par\n";
            first = false;
            body += "\\pard";
            body += alignment(block.blockFormat().alignment());
            body += ' ';
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.isValid())
                    body += fragmentRtf(fragment);
            }
        }

        QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl";
        for (int i = 0; i < m_fonts.size(); ++i)
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset204 " + escape(m_fonts.at(i)) + ";}";
        out += "}\n{\\colortbl;";
        for (const QColor& c : std::as_const(m_colors)) {
            out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
                   "\\blue" + QByteArray::number(c.blue()) + ';';
        }
        out += "}\n\\viewkind4\n";
        out += body;
        out += "\\par\n}\n";
        return out;
    }

private:
    static QByteArray alignment(Qt::Alignment a)
    {
        if (a & Qt::AlignHCenter)
            return "\\qc";
        if (a & Qt::AlignRight)
            return "\\qr";
        if (a & Qt::AlignJustify)
            return "\\qj";
        return "\\ql";
    }

    int fontIndex(const QString& family)
    {
        // Index 0 is the document's default font, so \deff0 names it.
        if (m_fonts.isEmpty())
            m_fonts.append(m_document.defaultFont().family());
        const QString name = family.isEmpty() ? m_fonts.first() : family;
        qsizetype i = m_fonts.indexOf(name);
        if (i < 0) {
            m_fonts.append(name);
            i = m_fonts.size() - 1;
        }
        return static_cast<int>(i);
    }

    // Colour-table index; 0 is the reader's automatic colour.
    int colorIndex(const QColor& color)
    {
        const QColor rgb = color.toRgb();
        for (qsizetype i = 0; i < m_colors.size(); ++i) {
            if (m_colors.at(i).rgb() == rgb.rgb())
                return static_cast<int>(i) + 1;
        }
        m_colors.append(rgb);
        return static_cast<int>(m_colors.size());
    }

    QByteArray fragmentRtf(const QTextFragment& fragment)
    {
        const QTextCharFormat format = fragment.charFormat();
        QByteArray out =
            "{\\f" + QByteArray::number(fontIndex(format.fontFamilies().toStringList().value(0)));
        double points = format.fontPointSize();
        if (points <= 0)
            points = m_document.defaultFont().pointSizeF();
        if (points > 0)
            out += "\\fs" + QByteArray::number(qRound(points * 2));
        if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
            out += "\\cf" + QByteArray::number(colorIndex(format.foreground().color()));
        if (format.fontWeight() >= QFont::DemiBold)
            out += "\\b";
        if (format.fontItalic())
            out += "\\i";
        if (format.fontUnderline())
            out += "\\ul";
        if (format.fontStrikeOut())
            out += "\\strike";
        out += ' ';

        const QString text = fragment.text();
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            if (c == QChar::ObjectReplacementCharacter) {
                if (format.isImageFormat())
                    out += picture(format.toImageFormat());
            } else if (c == '\\' || c == '{' || c == '}') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c == '\t') {
                out += "\\tab ";
            } else if (c == QChar::LineSeparator || c == '\n' || c == 0x000B) {
                out += "\\line ";
            } else if (c == QChar::ParagraphSeparator) {
                out += "\\par ";
            } else if (c == QChar::Nbsp) {
                out += "\\~";
            } else if (c >= 0x20 && c < 0x80) {
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                // Other control characters have no place in RTF text.
            } else {
                out += "\\u" + QByteArray::number(static_cast<qint16>(c));
                const char fallback = cp1251Byte(c);
                if (fallback == '?')
                    out += '?';
                else
                    out += "\\'" + QByteArray::number(static_cast<unsigned char>(fallback), 16);
            }
        }
        out += '}';
        return out;
    }

    QImage image(const QTextImageFormat& format) const
    {
        const QVariant resource = m_document.resource(QTextDocument::ImageResource, QUrl(format.name()));
        if (resource.typeId() == QMetaType::QImage)
            return resource.value<QImage>();
        if (resource.typeId() == QMetaType::QPixmap)
            return resource.value<QPixmap>().toImage();
        if (resource.typeId() == QMetaType::QByteArray)
            return QImage::fromData(resource.toByteArray());
        return {};
    }

    QByteArray picture(const QTextImageFormat& format) const
    {
        const QImage img = image(format);
        if (img.isNull())
            return {};
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!img.save(&buffer, "PNG"))
            return {};
        const int width = format.width() > 0 ? qRound(format.width()) : img.width();
        const int height = format.height() > 0 ? qRound(format.height()) : img.height();
        QByteArray out = "{\\pict\\pngblip\\picw" + QByteArray::number(img.width()) + "\\pich" +
                         QByteArray::number(img.height()) + "\\picwgoal" +
                         QByteArray::number(width * TwipsPerPixel) + "\\pichgoal" +
                         QByteArray::number(height * TwipsPerPixel) + '\n';
        const QByteArray hex = png.toHex();
        for (qsizetype i = 0; i < hex.size(); i += 128)
            out += hex.mid(i, 128) + '\n';
        out += '}';
        return out;
    }

    static QByteArray escape(const QString& text)
    {
        QByteArray out;
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            if (c == '\\' || c == '{' || c == '}' || c == ';')
                continue;
            if (c >= 0x20 && c < 0x80)
                out += static_cast<char>(c);
            else if (c >= 0x80)
                out += "\\u" + QByteArray::number(static_cast<qint16>(c)) + '?';
        }
        return out;
    }

    const QTextDocument& m_document;
    QStringList m_fonts;
    QList<QColor> m_colors;
};

} // namespace

QByteArray RtfWriter::toRtf(const QTextDocument& document)
{
    return Builder(document).build();
}

bool RtfWriter::write(const QTextDocument& document, const QString& path, QString* error)
{
    return WriteFileAtomically(path, toRtf(document), error);
}

} // namespace vantrel
