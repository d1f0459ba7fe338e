// libFuzzer target for what `--messenger-popup` hands over: the popup text of Samba's message
// command, and the "handover" line that carries it to the running copy.
//
// Input: the bytes of a popup file (read as UTF-8, as the program reads it), or a line of the
// single-instance socket.
// Checks: the sender and the date come from the first line and hold no line break; the message
// is a tail of the text; a popup record read back from its line is the same record; a file
// hand-over record reads back as the target and files it was made from.

#include "app/handoverrecord.h"
#include "fuzzcheck.h"
#include "messaging/messengerpopup.h"

#include <QStringList>

using namespace vantrel;
using vantrel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size).toByteArray();
    const QString text = QString::fromUtf8(bytes);

    for (const auto language : {MessengerPopup::Language::Russian, MessengerPopup::Language::English}) {
        const MessengerPopup popup = parseMessengerPopup(text, language);
        for (const QString* field : {&popup.sender, &popup.date}) {
            check(!field->contains(u'\n') && !field->contains(u'\r'),
                  "sender and date come from the first line");
            check(field->size() <= text.size(), "no field is longer than the text");
        }
        check(text.endsWith(popup.message), "the message is the end of the text");
    }

    const QString crlf = withPopupLineBreaks(text);
    check(!crlf.contains(QStringLiteral("\r\r\n")) || text.contains(QStringLiteral("\r\r")),
          "line breaks are not doubled");
    const HandOverRecord popupRecord = popupHandOverRecord(text);
    check(popupRecord.kind == HandOverRecord::RussianPopup ||
              popupRecord.kind == HandOverRecord::EnglishPopup,
          "a popup record is of a popup kind");
    const std::optional<HandOverRecord> back = parseHandOverCommand(handOverCommand(popupRecord));
    check(back && back->kind == popupRecord.kind && back->text == popupRecord.text,
          "a popup record reads back as it was made");

    // The bytes as a line of the socket: whatever it holds, a record read from it is of a
    // known kind and is written again to a line that reads the same.
    if (const std::optional<HandOverRecord> record = parseHandOverCommand(bytes)) {
        check(record->kind >= HandOverRecord::RussianPopup && record->kind <= HandOverRecord::SeveralFiles,
              "only the four kinds are read");
        const std::optional<HandOverRecord> again = parseHandOverCommand(handOverCommand(*record));
        check(again && again->kind == record->kind && again->text == record->text,
              "a record survives its line");
        if (const std::optional<FileHandOver> files = parseFileHandOver(*record))
            check(!files->target.contains(u':'), "the target ends at the first colon");
    }

    // Files made into a record read back as they were, where a record can carry them.
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() >= 2) {
        const QString target = lines.constFirst();
        QStringList files = lines.mid(1);
        for (QString& file : files)
            file.remove(u'\r');
        files.removeAll(QString());
        if (!target.contains(u':') && !target.contains(u'\r') && !files.isEmpty()) {
            const std::optional<FileHandOver> read = parseFileHandOver(fileHandOverRecord(target, files));
            check(read && read->target == target && read->files == files, "files survive their record");
        }
    }
    return 0;
}
