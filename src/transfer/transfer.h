#pragma once

#include "platform/transfercontrol.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

namespace vantrel {

// One transfer as the progress window sees it: the files of one acceptance sent to a peer,
// or one file written as it arrives. The bytes move on a worker thread of the transfer; the
// object lives on the engine's thread, where its signals arrive. The byte counts are atomics
// that any thread may sample; nothing else of the work is shared.
class Transfer : public QObject {
    Q_OBJECT
public:
    enum class Direction { Sending, Writing };

    ~Transfer() override;
    Q_DISABLE_COPY_MOVE(Transfer)

    Direction direction() const { return m_direction; }
    // The partner's contact name.
    const QString& contact() const { return m_contact; }
    bool isImage() const { return m_isImage; }
    int fileCount() const { return m_fileCount; }

    // The file being moved: the source path when sending, the destination when writing.
    const QString& currentFile() const { return m_currentFile; }
    // Bytes of the current file moved so far, and its size (sending: as opened; writing: as
    // announced). Safe from any thread.
    qint64 position() const { return m_control.bytes.load(std::memory_order_relaxed); }
    qint64 fileSize() const { return m_fileSize.load(std::memory_order_relaxed); }
    // Files moved completely (a failed file does not count).
    int filesDone() const { return m_filesDone.load(); }
    // Whether bytes of a file are moving now (between opening it and its end).
    bool isMoving() const { return m_moving; }
    bool isFinished() const { return m_finished; }

    // Starts the worker (once).
    void start();
    bool hasStarted() const { return m_started; }
    // Asks the worker to stop early; the current file fails.
    void cancel() { m_control.cancel.store(true); }

Q_SIGNALS:
    // The next file is about to be connected for or opened.
    void fileStarted(int index, const QString& path);
    // Its bytes start moving; `size` as in fileSize().
    void fileMoving(int index, qint64 size);
    // The file has ended, moved completely or not (`error` says why).
    void fileEnded(int index, const QString& path, bool ok, const QString& error);
    // Every file has ended; the worker is done.
    void finished();

protected:
    Transfer(Direction direction, QString contact, bool isImage, int fileCount, int idleTimeoutMs,
             QObject* parent = nullptr);

    // The work, on the worker thread; it reports through the helpers below.
    virtual void run() = 0;

    void reportStarted(int index, const QString& path);
    void reportMoving(int index, qint64 size);
    void reportEnded(int index, const QString& path, bool ok, const QString& error);
    // The file shown before the worker reports its first one.
    void setCurrentFile(const QString& path) { m_currentFile = path; }
    // Runs `work` on the object's thread.
    void post(std::function<void()> work);
    // Stops and waits for the worker; derived destructors call it before their members go.
    void join();

    TransferControl m_control;

private:
    Direction m_direction;
    QString m_contact;
    bool m_isImage;
    int m_fileCount;
    QString m_currentFile;
    std::atomic<qint64> m_fileSize{0};
    std::atomic<int> m_filesDone{0};
    bool m_moving = false;
    bool m_finished = false;
    bool m_started = false;
    std::thread m_worker;
};

} // namespace vantrel
