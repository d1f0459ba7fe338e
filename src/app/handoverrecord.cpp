#include "app/handoverrecord.h"

#include "core/textlines.h"
#include "messaging/messengerpopup.h"

using namespace Qt::StringLiterals;

namespace vantrel {

QByteArray handOverCommand(const HandOverRecord& record)
{
    return "handover " + QByteArray::number(record.kind) + ' ' + record.text.toUtf8().toPercentEncoding();
}

std::optional<HandOverRecord> parseHandOverCommand(const QByteArray& command)
{
    const QList<QByteArray> parts = command.split(' ');
    if (parts.size() != 3 || parts.at(0) != "handover")
        return std::nullopt;
    bool ok = false;
    const int kind = parts.at(1).toInt(&ok);
    if (!ok || kind < HandOverRecord::RussianPopup || kind > HandOverRecord::SeveralFiles ||
        parts.at(1).size() != 1)
        return std::nullopt;
    return HandOverRecord{kind, QString::fromUtf8(QByteArray::fromPercentEncoding(parts.at(2)))};
}

HandOverRecord fileHandOverRecord(const QString& target, const QStringList& files)
{
    if (files.size() == 1)
        return {HandOverRecord::OneFile, target + u':' + files.constFirst()};
    QString text = target + u':';
    for (const QString& file : files)
        text += file + u"\r\n"_s;
    return {HandOverRecord::SeveralFiles, text};
}

std::optional<FileHandOver> parseFileHandOver(const HandOverRecord& record)
{
    if (record.kind != HandOverRecord::OneFile && record.kind != HandOverRecord::SeveralFiles)
        return std::nullopt;
    const qsizetype colon = record.text.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    FileHandOver handOver{record.text.left(colon), {}};
    const QStringView rest = QStringView(record.text).sliced(colon + 1);
    if (record.kind == HandOverRecord::OneFile) {
        if (!rest.isEmpty())
            handOver.files.append(rest.toString());
    } else {
        for (const QStringView line : SplitTextLines(rest)) {
            if (!line.isEmpty())
                handOver.files.append(line.toString());
        }
    }
    return handOver;
}

HandOverRecord popupHandOverRecord(const QString& popupText)
{
    const QString text = withPopupLineBreaks(popupText);
    const int kind = popupLanguageOf(text) == MessengerPopup::Language::English
                         ? HandOverRecord::EnglishPopup
                         : HandOverRecord::RussianPopup;
    return {kind, text};
}

} // namespace vantrel
