#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace vantrel {

class Settings;

// The away text and the list of away texts. The text is read from the settings at start
// (S_Answering) and written back by save() at exit; the list (ListBox_Answering_Items) is
// saved whenever it changes. No message or status report carries the text: it is kept and
// edited only.
//
// The settings dialog shows its own copy of the text (SpeedBtn_AAText_Caption): a text chosen
// while the dialog is showing goes into that copy too, as an edit the dialog's OK saves.
//
// Main thread only.
class AwayTexts final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AwayTexts)

public:
    using DialogShowing = std::function<bool()>;

    AwayTexts(Settings& settings, DialogShowing dialogShowing = {}, QLocale locale = QLocale::system(),
              QObject* parent = nullptr);

    QString text() const { return m_text; }
    // AnsweringMenuClick, and "OK" of the list editor.
    void setText(const QString& text);
    // The dialog's copy of the text becomes the away text (an automatic away status starts).
    void takeDialogText();
    // The dialog's copy when it is showing, else the away text (what the editor starts with).
    QString editorText() const;
    bool isDialogShowing() const { return m_dialogShowing && m_dialogShowing(); }

    QStringList items() const;
    // Replaces the list and saves it; listChanged() when it differs.
    void setItems(const QStringList& items);
    // R_AddItemInList and R_DeleteItemFromList with this object's locale.
    bool addItem(const QString& text, QStringList& list) const;
    bool deleteItem(const QString& text, QStringList& list) const;

    // Writes the away text (S_Answering).
    void save();

Q_SIGNALS:
    void listChanged();
    void textChanged(const QString& text);

private:
    Settings& m_settings;
    DialogShowing m_dialogShowing;
    QLocale m_locale;
    QString m_text;
};

} // namespace vantrel
