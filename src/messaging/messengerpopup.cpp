#include "messaging/messengerpopup.h"

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

struct Words {
    QStringView from;
    QStringView to;
    QStringView on;
};

Words wordsOf(MessengerPopup::Language language)
{
    if (language == MessengerPopup::Language::English)
        return {u"from ", u" to ", u"on "};
    return {u"от ", u" для ", u"на "};
}

QStringView firstLineOf(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\r' || text.at(i) == u'\n')
            return text.first(i);
    }
    return text;
}

} // namespace

MessengerPopup parseMessengerPopup(const QString& text, MessengerPopup::Language language)
{
    const Words words = wordsOf(language);
    const QStringView all(text);
    const QStringView firstLine = firstLineOf(all);
    MessengerPopup popup;

    const qsizetype lineFeed = all.indexOf(u'\n');
    if (lineFeed < 0) {
        popup.message = text;
    } else {
        QStringView rest = all.sliced(lineFeed + 1);
        if (rest.startsWith(u"\r\n"))
            rest = rest.sliced(2);
        else if (rest.startsWith(u'\n'))
            rest = rest.sliced(1);
        popup.message = rest.toString();
    }

    if (const qsizetype from = firstLine.indexOf(words.from); from >= 0) {
        QStringView sender = firstLine.sliced(from + words.from.size());
        if (const qsizetype to = sender.indexOf(words.to); to >= 0)
            sender = sender.first(to);
        popup.sender = sender.toString();
    }
    if (const qsizetype on = firstLine.lastIndexOf(words.on); on >= 0)
        popup.date = firstLine.sliced(on + words.on.size()).toString();
    return popup;
}

MessengerPopup::Language popupLanguageOf(const QString& text)
{
    const QStringView firstLine = firstLineOf(text);
    return firstLine.contains(u"from ") && firstLine.contains(u" to ") ? MessengerPopup::Language::English
                                                                       : MessengerPopup::Language::Russian;
}

QString withPopupLineBreaks(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u"\r\n"_s;
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\r\n"_s;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace vantrel
