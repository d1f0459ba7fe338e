#pragma once

#include "platform/transfercontrol.h"

#include <QByteArray>
#include <QString>

namespace vantrel {

// Writes one received file. The bytes go to a new temporary file beneath the destination
// folder, created without following a link and never over an existing file; only when exactly
// the announced number of bytes has arrived is it renamed over the final name. Whatever goes
// wrong, the final name is left untouched and the temporary file is removed. Received files
// never carry execute permission.
//
// One object per file, used by one thread at a time.
class FileReceiver final {
public:
    enum class Outcome {
        Complete,    // exactly the announced bytes, then the close
        ClosedEarly, // the peer closed before all bytes came
        TooLong,     // more bytes than announced
        Idle,        // nothing arrived for the idle time
        Cancelled,   // the program is ending
        ReadFailed,  // the connection broke
        WriteFailed, // the file could not be written (a full disk, a size limit)
    };
    struct Result {
        Outcome outcome = Outcome::Complete;
        QString error; // empty for Complete
    };

    FileReceiver(QString folder, QString fileName);
    ~FileReceiver();
    Q_DISABLE_COPY_MOVE(FileReceiver)

    // Creates the temporary file; false with the reason when the folder cannot be opened or
    // nothing can be created in it.
    bool create(QString* error);

    // Copies the connection `socket` (taken over and closed here) into the file: first
    // `alreadyRead`, then whatever arrives, without passing the bytes through this process
    // where the system allows. Expects exactly `size` bytes before the peer closes.
    Result receive(qintptr socket, const QByteArray& alreadyRead, qint64 size, TransferControl& control);

    // Appends bytes handed over in memory (when the connection could not be taken over).
    bool write(const char* data, qint64 length, QString* error);

    // Renames the temporary file over the final name (an existing file of that name is
    // replaced, a link there is replaced and not followed).
    bool commit(QString* error);

    // The name the bytes go to until commit(); empty before create().
    QString temporaryName() const { return m_temporaryName; }
    QString finalPath() const;

private:
    void discard();

    QString m_folder;
    QString m_fileName;
    QString m_temporaryName;
    int m_folderFd = -1;
    int m_fileFd = -1;
    bool m_committed = false;
};

} // namespace vantrel
