#include "app/gui/transferwindows.h"

#include "app/apphost.h"
#include "app/engine.h"
#include "app/gui/mainwindow.h"
#include "contacts/ui/contacttreecontroller.h"
#include "core/eventlog.h"
#include "display/conversationwindow.h"
#include "display/conversationwindows.h"
#include "messaging/messagesender.h"
#include "messaging/messagingengine.h"
#include "platform/privatefolder.h"
#include "transfer/backgroundwork.h"
#include "transfer/transferengine.h"
#include "transfer/ui/imageviewwindow.h"
#include "transfer/ui/offerquestion.h"
#include "transfer/ui/progresswindow.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Clipboard pictures are kept as long as an offer of them may be accepted.
constexpr qint64 kClipboardKeepSeconds = 24 * 60 * 60;
// A received picture is read whole to be shown; a larger file is not read at all.
constexpr qint64 kMaxPictureBytes = 256 * 1024 * 1024;

struct LoadedPicture {
    QByteArray bytes;
    QImage image;
    QString error;
};

// Reads the received picture, deletes it and its folder, and decodes it by its extension.
LoadedPicture loadPicture(const QString& path)
{
    LoadedPicture loaded;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        loaded.error = file.errorString();
    else if (file.size() > kMaxPictureBytes)
        loaded.error = u"файл больше %1 МБ"_s.arg(kMaxPictureBytes / (1024 * 1024));
    else
        loaded.bytes = file.readAll();
    file.close();
    QDir(QFileInfo(path).path()).removeRecursively();
    if (!loaded.error.isEmpty())
        return loaded;
    QBuffer buffer(&loaded.bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoTransform(true);
    loaded.image = reader.read();
    if (loaded.image.isNull())
        loaded.error = reader.errorString();
    return loaded;
}

} // namespace

TransferWindows::TransferWindows(Engine& engine, AppHost& host, MainWindow& mainWindow,
                                 ConversationWindows& conversations, std::function<void()> restore,
                                 QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_host(host)
    , m_mainWindow(mainWindow)
    , m_conversations(conversations)
    , m_restore(std::move(restore))
{
    m_pool.setMaxThreadCount(1);
    if (ContactTreeController* controller = m_mainWindow.contactController())
        connect(controller->menu(), &QMenu::aboutToShow, this, &TransferWindows::captureClipboard);
}

TransferWindows::~TransferWindows()
{
    m_pool.waitForDone();
    // Top-level windows without a parent: they go with the windows that made them.
    for (const QPointer<QWidget>& window : std::as_const(m_windows))
        delete window.data();
}

void TransferWindows::keep(QWidget* window)
{
    m_windows.removeIf([](const QPointer<QWidget>& entry) { return entry.isNull(); });
    m_windows.append(window);
}

QList<QWidget*> TransferWindows::openWindows() const
{
    QList<QWidget*> open;
    for (const QPointer<QWidget>& window : m_windows) {
        if (window)
            open.append(window);
    }
    return open;
}

QString TransferWindows::clipboardFolder()
{
    return PrivateFolder(u"clipboard"_s);
}

void TransferWindows::askOffer(const Question& question, AnswerCallback answer)
{
    // The sender's conversation window is prepared first: it waits, or flashes.
    QWidget* owner = m_conversations.ShowPopupForm(question.contact, true);
    AskOfferQuestion(question, owner ? owner : &m_mainWindow, std::move(answer));
}

void TransferWindows::transferStarted(const std::shared_ptr<Transfer>& transfer)
{
    auto* window = new ProgressWindow(transfer, m_engine.settings());
    keep(window);
    window->show();
}

void TransferWindows::pictureReceived(const QString& contact, const QString& path)
{
    RunInBackground(
        m_pool, this, [path] { return loadPicture(path); },
        [this, contact, path](const LoadedPicture& loaded) {
            showPicture(contact, path, loaded.bytes, loaded.image, loaded.error);
        });
}

void TransferWindows::showPicture(const QString& contact, const QString& path, const QByteArray& bytes,
                                  const QImage& image, const QString& error)
{
    if (image.isNull()) {
        m_engine.eventLog().error(u"Не могу открыть картинку \""_s + path + u"\" от "_s + contact + u": "_s +
                                  error);
        return;
    }
    auto* viewer = new ImageViewWindow(contact, path, bytes, image);
    connect(viewer, &ImageViewWindow::replyRequested, this,
            [this](const QString& sender) { m_conversations.ShowPopupForm(sender, false); });
    connect(viewer, &ImageViewWindow::shown, this, [this] {
        if (m_restore)
            m_restore();
    });
    keep(viewer);
    viewer->showPicture();
    Q_EMIT viewerOpened(viewer);
}

QStringList TransferWindows::currentRecipients()
{
    MessageSender& sender = m_engine.messaging().sender();
    const std::optional<MessageSender::Recipients> chosen = sender.chooseRecipients({}, false);
    if (!chosen)
        return {};
    sender.recipientsHandled();
    return chosen->addresses;
}

void TransferWindows::sendFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    const QStringList addresses = currentRecipients();
    if (!addresses.isEmpty())
        m_engine.transfers().offerFiles(addresses, files);
}

void TransferWindows::sendPicture(const QString& path)
{
    if (path.isEmpty())
        return;
    const QStringList addresses = currentRecipients();
    if (!addresses.isEmpty())
        m_engine.transfers().offerImage(addresses, path);
}

void TransferWindows::captureClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    m_clipboard = data && data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
}

void TransferWindows::sendClipboardPicture()
{
    const QStringList addresses = currentRecipients();
    if (addresses.isEmpty())
        return;
    const QImage picture = m_clipboard;
    // Each capture in a folder of its own: an offer always sends the picture it was made of.
    RunInBackground(
        m_pool, this,
        [picture] {
            const QString base = clipboardFolder();
            if (base.isEmpty() || picture.isNull())
                return QString();
            const QDateTime old = QDateTime::currentDateTime().addSecs(-kClipboardKeepSeconds);
            for (const QFileInfo& entry : QDir(base).entryInfoList({u"capture-*"_s}, QDir::Dirs)) {
                if (entry.lastModified() < old)
                    QDir(entry.filePath()).removeRecursively();
            }
            QTemporaryDir folder(base + u"/capture-XXXXXX"_s);
            if (!folder.isValid())
                return QString();
            folder.setAutoRemove(false);
            const QString path = folder.path() + u"/Из буфера обмена.jpg"_s;
            if (!picture.save(path, "JPG")) {
                folder.remove();
                return QString();
            }
            return path;
        },
        [this, addresses](const QString& path) {
            if (path.isEmpty()) {
                m_host.ShowBalloonHint(u"Vantrel"_s, u"Ошибка копирования из буфера обмена"_s, 10,
                                       AppHost::Error);
                return;
            }
            m_engine.transfers().offerImage(addresses, path);
        });
}

void TransferWindows::chooseAndSendFiles()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(&m_mainWindow, u"Послать файл..."_s, {}, u"Все файлы (*)"_s);
    sendFiles(files);
}

void TransferWindows::chooseAndSendPicture()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns.append(u"*."_s + QString::fromLatin1(format));
    const QString file = QFileDialog::getOpenFileName(&m_mainWindow, u"Из файла..."_s, {},
                                                      u"Картинки ("_s + patterns.join(u' ') + u')');
    sendPicture(file);
}

} // namespace vantrel
