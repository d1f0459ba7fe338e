#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vantrel {

class Settings;

// The quick messages: short stock answers offered in the conversation window. The list
// lives in the settings (VTLForm.ListBox_SpeedMsg_Items) and every change is written to
// the settings file at once. listChanged() tells the menus to rebuild.
//
// Main thread only.
class QuickMessages final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickMessages)

public:
    explicit QuickMessages(Settings& settings, QLocale locale = QLocale::system(), QObject* parent = nullptr);

    QStringList items() const;

    // "Добавить": adds the first line of a reply text unless it is blank or the list holds it
    // already without regard to case. True, after saving, when the list changed.
    bool addFirstLine(const QString& replyText);
    // "Удалить": deletes the last entry equal to the first line of a reply text without regard
    // to case. True, after saving, when the list changed.
    bool deleteFirstLine(const QString& replyText);
    // The list editor's result: replaces the whole list and saves it.
    void setItems(const QStringList& items);

    // The first line of a text whose lines end with CR LF, LF, CR or a paragraph separator.
    static QString firstLine(const QString& text);

Q_SIGNALS:
    void listChanged();

private:
    Settings& m_settings;
    QLocale m_locale;
};

} // namespace vantrel
