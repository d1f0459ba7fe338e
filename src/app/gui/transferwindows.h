#pragma once

#include "transfer/transferhost.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>

namespace vantrel {

class AppHost;
class ConversationWindows;
class Engine;
class MainWindow;

// The windows of file and picture transfer: the questions of offers (owned by the sender's
// conversation window), the progress windows, the picture viewers, and the tree's commands
// "Послать файл...", "Из файла..." and "Из буфера обмена". File work (reading a received
// picture, writing the clipboard's JPEG) runs on a worker thread, never on this one.
class TransferWindows final : public QObject, public TransferHost {
    Q_OBJECT
public:
    TransferWindows(Engine& engine, AppHost& host, MainWindow& mainWindow, ConversationWindows& conversations,
                    std::function<void()> restore, QObject* parent = nullptr);
    ~TransferWindows() override;
    Q_DISABLE_COPY_MOVE(TransferWindows)

    // TransferHost
    void askOffer(const Question& question, AnswerCallback answer) override;
    void transferStarted(const std::shared_ptr<Transfer>& transfer) override;
    void pictureReceived(const QString& contact, const QString& path) override;

    // The tree's commands on the current recipients (after their dialogs).
    void sendFiles(const QStringList& files);
    void sendPicture(const QString& path);
    // "Из буфера обмена": the picture captured when the tree's menu last opened, as a JPEG.
    void sendClipboardPicture();
    // Takes the clipboard's picture (when the tree's menu opens).
    void captureClipboard();
    const QImage& capturedPicture() const { return m_clipboard; }

    // The dialogs of the tree's commands.
    void chooseAndSendFiles();
    void chooseAndSendPicture();

    // Where clipboard pictures are written before they are offered.
    static QString clipboardFolder();
    // The progress windows and viewers that are open.
    QList<QWidget*> openWindows() const;

Q_SIGNALS:
    // A picture viewer was opened (tests and screenshots find it here).
    void viewerOpened(QWidget* viewer);

private:
    QStringList currentRecipients();
    void keep(QWidget* window);
    void showPicture(const QString& contact, const QString& path, const QByteArray& bytes,
                     const QImage& image, const QString& error);

    Engine& m_engine;
    AppHost& m_host;
    MainWindow& m_mainWindow;
    ConversationWindows& m_conversations;
    std::function<void()> m_restore;
    QThreadPool m_pool;
    QImage m_clipboard;
    QList<QPointer<QWidget>> m_windows;
};

} // namespace vantrel
