#include "shell/awaytexts.h"

#include "core/itemlist.h"
#include "settings/settings.h"

namespace vantrel {

AwayTexts::AwayTexts(Settings& settings, DialogShowing dialogShowing, QLocale locale, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_dialogShowing(std::move(dialogShowing))
    , m_locale(std::move(locale))
    , m_text(settings.VTLForm.S_Answering.value())
{}

void AwayTexts::setText(const QString& text)
{
    if (isDialogShowing())
        m_settings.fmConfig.SpeedBtn_AAText_Caption.setValue(text, WriteMode::Deferred);
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT textChanged(m_text);
}

void AwayTexts::takeDialogText()
{
    const QString caption = m_settings.fmConfig.SpeedBtn_AAText_Caption.value();
    if (caption == m_text)
        return;
    m_text = caption;
    Q_EMIT textChanged(m_text);
}

QString AwayTexts::editorText() const
{
    return isDialogShowing() ? m_settings.fmConfig.SpeedBtn_AAText_Caption.value() : m_text;
}

QStringList AwayTexts::items() const
{
    return m_settings.VTLForm.ListBox_Answering_Items.value();
}

void AwayTexts::setItems(const QStringList& items)
{
    if (items == this->items())
        return;
    m_settings.VTLForm.ListBox_Answering_Items.setValue(items);
    Q_EMIT listChanged();
}

bool AwayTexts::addItem(const QString& text, QStringList& list) const
{
    return addItemInList(text, list, m_locale);
}

bool AwayTexts::deleteItem(const QString& text, QStringList& list) const
{
    return deleteItemFromList(text, list, m_locale);
}

void AwayTexts::save()
{
    m_settings.VTLForm.S_Answering.setValue(m_text);
}

} // namespace vantrel
