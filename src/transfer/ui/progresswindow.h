#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;

namespace vantrel {

class Settings;
class Transfer;

// The small progress window of one transfer (fmProgress): the file bar, the rate and the
// percentage of the current file, and for a set of files the bar of files done. It samples the
// transfer's byte count every 500 ms and never touches the bytes themselves.
//
// A sending window closes itself at the first tick after every file was sent; when a file
// fails its timer stops until the next file starts, and when the last one fails it stays
// until the user closes it. A writing window closes one tick after the tick that saw the file
// complete, or at once when the file failed. While the timer runs the user cannot close it.
// Its position is kept in the settings section "fmProgress".
class ProgressWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int TickMs = 500;
    static constexpr int ClientWidth = 394;
    static constexpr int ClientHeight = 92;
    // One file: the bar of files done is cut off.
    static constexpr int SingleFileHeight = 60;
    static constexpr QLatin1StringView SectionName{"fmProgress"};

    ProgressWindow(std::shared_ptr<Transfer> transfer, Settings& settings);
    ~ProgressWindow() override;
    Q_DISABLE_COPY_MOVE(ProgressWindow)

    const Transfer& transfer() const { return *m_transfer; }
    bool isTimerRunning() const { return m_timer.isActive(); }

    // Percent of `size` that `position` is, rounded; a file of 0 bytes is complete.
    static int percentOf(qint64 position, qint64 size);
    // The rate label: kilobytes per second over `elapsedMs`, as "#,##0 КБ".
    static QString rateText(qint64 position, qint64 elapsedMs);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void tick();
    void onFileStarted(int index, const QString& path);
    void onFileMoving();
    void onFileEnded(int index, bool ok);
    bool isComplete() const;
    void savePosition();

    std::shared_ptr<Transfer> m_transfer;
    Settings& m_settings;
    QProgressBar* m_fileBar = nullptr;
    QProgressBar* m_totalBar = nullptr;
    QLabel* m_rate = nullptr;
    QLabel* m_percent = nullptr;
    QTimer m_timer;
    QElapsedTimer m_started;
    qint64 m_sampled = -1;
};

} // namespace vantrel
