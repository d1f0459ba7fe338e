#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// What the messaging engine shows to the user, implemented by the windows, by the headless
// mode and by tests. Every call is made on the engine's thread and must return promptly.
class MessagingHost {
public:
    // Notification levels of a tray balloon.
    enum class BalloonLevel { None = 0, Information = 1, Warning = 2, Error = 3 };

    // Colours of conversation lines, as 0xRRGGBB.
    static constexpr quint32 Navy = 0x000080;

    MessagingHost() = default;
    virtual ~MessagingHost() = default;
    Q_DISABLE_COPY_MOVE(MessagingHost)

    // Opens the contact's conversation window; with `flash` set the window stays hidden and
    // the tray signals that it waits.
    virtual void showPopupForm(const QString& contact, bool flash) = 0;
    // Appends one line (which may hold line breaks) to the contact's conversation window.
    virtual void addPopupLine(const QString& contact, const QString& text, quint32 rgb, bool bold) = 0;
    // Shows a failed delivery as a red line in the contact's conversation window.
    virtual void showPopupError(const QString& contact, const QString& text) = 0;
    // A tray balloon (the timeout is the system's).
    virtual void showBalloon(const QString& title, const QString& text, BalloonLevel level) = 0;
    // The main window's caption.
    virtual void setCaption(const QString& text) = 0;
    virtual void hideMainWindow() = 0;
    // A received message has been presented: its contact, its time text and its whole text.
    // The headless mode prints it; the windows need not do anything.
    virtual void messagePresented(const QString& contact, const QString& time, const QString& text) = 0;
};

} // namespace vantrel
