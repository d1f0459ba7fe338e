#include "transfer/ui/progresswindow.h"

#include "settings/settings.h"
#include "transfer/transfer.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <cmath>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

QString quoted(const QString& path)
{
    return u'"' + QFileInfo(path).fileName() + u'"';
}

} // namespace

ProgressWindow::ProgressWindow(std::shared_ptr<Transfer> transfer, Settings& settings)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint)
    , m_transfer(std::move(transfer))
    , m_settings(settings)
{
    setObjectName(u"fmProgress"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    const bool sending = m_transfer->direction() == Transfer::Direction::Sending;
    const bool single = m_transfer->fileCount() <= 1;
    setFixedSize(ClientWidth, single ? SingleFileHeight : ClientHeight);

    m_fileBar = new QProgressBar(this);
    m_fileBar->setObjectName(u"ProgressBar_File"_s);
    m_fileBar->setGeometry(8, 16, 378, 13);
    m_fileBar->setRange(0, 100);
    m_fileBar->setValue(0);
    m_fileBar->setTextVisible(false);
    auto* label = new QLabel(u"КБайт/сек:"_s, this);
    label->setObjectName(u"Label1"_s);
    label->move(8, 40);
    QFont bold = font();
    bold.setBold(true);
    m_rate = new QLabel(u"0"_s, this);
    m_rate->setObjectName(u"lblByteRate"_s);
    m_rate->setFont(bold);
    // Beside the caption, however wide the caption's font makes it.
    m_rate->setGeometry(qMax(68, 8 + label->sizeHint().width() + 6), 40, 200, label->sizeHint().height());
    m_percent = new QLabel(u"0 %"_s, this);
    m_percent->setObjectName(u"lblPercent"_s);
    m_percent->setFont(bold);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_percent->setGeometry(286, 41, 100, label->sizeHint().height());
    m_totalBar = new QProgressBar(this);
    m_totalBar->setObjectName(u"ProgressBar_Total"_s);
    m_totalBar->setGeometry(8, 64, 378, 13);
    m_totalBar->setRange(0, qMax(1, m_transfer->fileCount()));
    m_totalBar->setValue(0);
    m_totalBar->setTextVisible(false);

    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &ProgressWindow::tick);
    connect(m_transfer.get(), &Transfer::fileStarted, this, &ProgressWindow::onFileStarted);
    connect(m_transfer.get(), &Transfer::fileMoving, this, &ProgressWindow::onFileMoving);
    connect(m_transfer.get(), &Transfer::fileEnded, this,
            [this](int index, const QString&, bool ok, const QString&) { onFileEnded(index, ok); });

    setWindowTitle((sending ? u"Передача "_s : u"Запись "_s) + quoted(m_transfer->currentFile()));

    const WindowPlacement placement = m_settings.placement(SectionName);
    if (placement.isValid())
        move(placement.left, placement.top);
}

ProgressWindow::~ProgressWindow() = default;

int ProgressWindow::percentOf(qint64 position, qint64 size)
{
    if (size <= 0)
        return 100;
    return static_cast<int>(std::lround(static_cast<double>(position) / static_cast<double>(size) * 100.0));
}

QString ProgressWindow::rateText(qint64 position, qint64 elapsedMs)
{
    const double rate = elapsedMs > 0
                            ? static_cast<double>(position) / static_cast<double>(elapsedMs) / 1024.0 * 1000.0
                            : 0.0;
    return QLocale::system().toString(static_cast<qint64>(std::llround(rate))) + u" КБ"_s;
}

void ProgressWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started.isValid())
        return;
    m_started.start();
    // The writing window watches from the start; the sending one once a file is open.
    if (m_transfer->direction() == Transfer::Direction::Writing || m_transfer->isMoving())
        m_timer.start();
}

void ProgressWindow::onFileStarted(int, const QString& path)
{
    if (m_transfer->direction() == Transfer::Direction::Sending) {
        setWindowTitle(u"Передача "_s + quoted(path));
        m_timer.stop();
    }
}

void ProgressWindow::onFileMoving()
{
    // The rate of each file is measured from its own start.
    m_started.start();
    m_sampled = -1;
    m_fileBar->setValue(0);
    m_timer.start();
}

void ProgressWindow::onFileEnded(int, bool ok)
{
    m_totalBar->setValue(m_transfer->filesDone());
    if (ok)
        return;
    m_timer.stop();
    // The engine has told the user; a failed file being written has nothing more to show.
    if (m_transfer->direction() == Transfer::Direction::Writing)
        close();
}

bool ProgressWindow::isComplete() const
{
    if (m_transfer->direction() == Transfer::Direction::Sending)
        return m_transfer->filesDone() >= m_transfer->fileCount();
    return m_sampled >= 0 && m_sampled == m_transfer->fileSize();
}

void ProgressWindow::tick()
{
    if (isComplete()) {
        m_timer.stop();
        close();
        return;
    }
    m_sampled = m_transfer->position();
    const int percent = percentOf(m_sampled, m_transfer->fileSize());
    m_fileBar->setValue(qBound(0, percent, 100));
    m_percent->setText(QString::number(percent) + u" %"_s);
    m_rate->setText(rateText(m_sampled, m_started.elapsed()));
    m_totalBar->setValue(m_transfer->filesDone());
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    if (m_timer.isActive()) {
        event->ignore();
        return;
    }
    savePosition();
    QWidget::closeEvent(event);
}

void ProgressWindow::savePosition()
{
    WindowPlacement placement = m_settings.placement(SectionName);
    const QRect frame = frameGeometry();
    placement.left = frame.left();
    placement.top = frame.top();
    placement.right = frame.left() + width();
    placement.bottom = frame.top() + height();
    m_settings.setPlacement(SectionName, placement);
}

} // namespace vantrel
