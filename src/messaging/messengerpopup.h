#pragma once

#include <QString>

namespace vantrel {

// A Messenger-service popup text: a first line naming sender, recipient and date, a blank
// line, then the message. Russian popups say "Сообщение от PC1 для PC2 на 08.12.2026
// 19:30:13", English ones "Message from PC1 to PC2 on 12/8/2026 7:30:13 PM".
struct MessengerPopup {
    enum class Language { Russian, English };

    QString sender;
    QString date;
    QString message;
};

// Reads a popup text with the words of `language` ("от ", " для ", "на " or "from ", " to ",
// "on "): the first line ends at the first CR (or LF); the message starts after the first
// line break and the blank line that follows it; the sender is the part of the first line
// after the first "от ", cut before the first " для " in it; the date is the rest of the
// first line after its last "на " (a name before it may hold those letters, a date never
// does). Missing words leave the sender or the date empty; the message is kept whatever the
// text looks like: a text without a line break is all message.
MessengerPopup parseMessengerPopup(const QString& text, MessengerPopup::Language language);

// English when the first line carries "from " and " to ", else Russian.
MessengerPopup::Language popupLanguageOf(const QString& text);

// The text with every line break as CR LF, as popups carry them (files written on Linux end
// their lines with LF alone).
QString withPopupLineBreaks(const QString& text);

} // namespace vantrel
