#include "shell/quickmessages.h"

#include "core/itemlist.h"
#include "settings/settings.h"

namespace vantrel {

QuickMessages::QuickMessages(Settings& settings, QLocale locale, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_locale(std::move(locale))
{}

QStringList QuickMessages::items() const
{
    return m_settings.VTLForm.ListBox_SpeedMsg_Items.value();
}

bool QuickMessages::addFirstLine(const QString& replyText)
{
    QStringList list = items();
    if (!addItemInList(firstLine(replyText), list, m_locale))
        return false;
    setItems(list);
    return true;
}

bool QuickMessages::deleteFirstLine(const QString& replyText)
{
    QStringList list = items();
    if (!deleteItemFromList(firstLine(replyText), list, m_locale))
        return false;
    setItems(list);
    return true;
}

void QuickMessages::setItems(const QStringList& items)
{
    if (items == this->items())
        return;
    m_settings.VTLForm.ListBox_SpeedMsg_Items.setValue(items);
    Q_EMIT listChanged();
}

QString QuickMessages::firstLine(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            return text.left(i);
    }
    return text;
}

} // namespace vantrel
