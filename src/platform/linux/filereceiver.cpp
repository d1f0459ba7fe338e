#include "platform/filereceiver.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;
using Outcome = FileReceiver::Outcome;

// The worker looks at the cancel flag at least this often while it waits for data.
constexpr int kPollSliceMs = 200;
// Size of the kernel pipe between socket and file, and of the buffer of the plain copy.
constexpr int kPipeBytes = 1024 * 1024;
constexpr qint64 kBufferBytes = 1024 * 1024;

// Closes a descriptor when it goes out of scope.
class Descriptor final {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {}
    ~Descriptor() { reset(); }
    Q_DISABLE_COPY_MOVE(Descriptor)
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

FileReceiver::Result result(Outcome outcome, const QString& error = {})
{
    return {outcome, error};
}

QString systemError(const QString& what, int error)
{
    return what + u": "_s + qt_error_string(error);
}

QString shortText(qint64 received, qint64 size)
{
    return u"Соединение закрыто до конца файла: получено %1 из %2 байт"_s.arg(received).arg(size);
}

QString longText(qint64 size)
{
    return u"Получено больше данных, чем объявлено (%1 байт)"_s.arg(size);
}

// Waits until the socket has data or has closed. False when the idle time ran out or the
// transfer was cancelled (the outcome says which).
bool waitReadable(int socket, TransferControl& control, Clock::time_point& lastData, Outcome& why)
{
    for (;;) {
        if (control.cancel.load()) {
            why = Outcome::Cancelled;
            return false;
        }
        const auto idle =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastData).count();
        if (idle >= control.idleTimeoutMs) {
            why = Outcome::Idle;
            return false;
        }
        pollfd pfd{socket, POLLIN, 0};
        const int ready =
            ::poll(&pfd, 1, static_cast<int>(std::min<qint64>(kPollSliceMs, control.idleTimeoutMs - idle)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR) {
            why = Outcome::ReadFailed;
            return false;
        }
    }
}

// Writes a whole buffer to the file.
bool writeAll(int fd, const char* data, qint64 length, int* error)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(std::min<qint64>(length, 1 << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        data += n;
        length -= n;
    }
    return true;
}

} // namespace

FileReceiver::FileReceiver(QString folder, QString fileName)
    : m_folder(std::move(folder))
    , m_fileName(std::move(fileName))
{}

FileReceiver::~FileReceiver()
{
    discard();
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

QString FileReceiver::finalPath() const
{
    return m_folder + u'/' + m_fileName;
}

bool FileReceiver::create(QString* error)
{
    const QByteArray folder = QFile::encodeName(m_folder);
    m_folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0) {
        *error = systemError(u"Не могу открыть папку \""_s + m_folder + u'"', errno);
        return false;
    }
    // A hidden name of its own: O_EXCL never opens an existing file and O_NOFOLLOW never
    // follows a link someone placed there. No execute bits, whatever the umask allows.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name =
            u".vantrel-"_s + QString::number(QRandomGenerator::system()->generate64(), 16) + u".part"_s;
        const QByteArray encoded = QFile::encodeName(name);
        const int fd = ::openat(m_folderFd, encoded.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fileFd = fd;
            m_temporaryName = name;
            return true;
        }
        if (errno != EEXIST) {
            *error = systemError(u"Не могу создать файл в папке \""_s + m_folder + u'"', errno);
            return false;
        }
    }
    *error = u"Не могу создать временный файл в папке \""_s + m_folder + u'"';
    return false;
}

bool FileReceiver::write(const char* data, qint64 length, QString* error)
{
    int code = 0;
    if (m_fileFd >= 0 && writeAll(m_fileFd, data, length, &code))
        return true;
    *error = systemError(u"Ошибка записи в файл \""_s + finalPath() + u'"', code != 0 ? code : EBADF);
    return false;
}

FileReceiver::Result FileReceiver::receive(qintptr socketDescriptor, const QByteArray& alreadyRead,
                                           qint64 size, TransferControl& control)
{
    const Descriptor socket(static_cast<int>(socketDescriptor));
    const int fd = socket.get();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (alreadyRead.size() > size)
        return result(Outcome::TooLong, longText(size));
    QString error;
    if (!write(alreadyRead.constData(), alreadyRead.size(), &error))
        return result(Outcome::WriteFailed, error);
    qint64 received = alreadyRead.size();
    control.bytes.store(received);

    int pipes[2] = {-1, -1};
    const bool spliced = ::pipe2(pipes, O_CLOEXEC) == 0;
    const Descriptor pipeRead(spliced ? pipes[0] : -1);
    const Descriptor pipeWrite(spliced ? pipes[1] : -1);
    int pipeBytes = 65536;
    if (spliced) {
        const int grown = ::fcntl(pipes[1], F_SETPIPE_SZ, kPipeBytes);
        if (grown > 0)
            pipeBytes = grown;
    }
    bool useSplice = spliced;
    std::unique_ptr<char[]> buffer;
    auto lastData = Clock::now();

    for (;;) {
        if (control.cancel.load())
            return result(Outcome::Cancelled, u"Приём прерван"_s);
        const qint64 remaining = size - received;
        // One byte more than announced is asked for: its arrival proves the stream too long.
        const qint64 want =
            remaining > 0 ? std::min<qint64>(remaining, useSplice ? pipeBytes : kBufferBytes) : 1;
        ssize_t n = 0;
        if (useSplice) {
            n = ::splice(fd, nullptr, pipeWrite.get(), nullptr, static_cast<size_t>(want),
                         SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
            if (n < 0 && (errno == EINVAL || errno == ENOSYS) && received == alreadyRead.size()) {
                useSplice = false;
                continue;
            }
        } else {
            if (!buffer)
                buffer = std::make_unique<char[]>(kBufferBytes);
            n = ::read(fd, buffer.get(), static_cast<size_t>(want));
        }
        if (n == 0) {
            if (remaining == 0)
                return result(Outcome::Complete);
            return result(Outcome::ClosedEarly, shortText(received, size));
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                Outcome why = Outcome::Idle;
                if (waitReadable(fd, control, lastData, why))
                    continue;
                if (why == Outcome::Idle && remaining == 0) // everything came; only the close did not
                    return result(Outcome::Complete);
                if (why == Outcome::Idle)
                    return result(Outcome::Idle,
                                  u"Нет данных от отправителя дольше %1 с: получено %2 из %3 байт"_s
                                      .arg(control.idleTimeoutMs / 1000.0)
                                      .arg(received)
                                      .arg(size));
                if (why == Outcome::Cancelled)
                    return result(Outcome::Cancelled, u"Приём прерван"_s);
                return result(Outcome::ReadFailed, systemError(u"Ошибка соединения"_s, errno));
            }
            return result(Outcome::ReadFailed, systemError(u"Ошибка соединения"_s, errno));
        }
        lastData = Clock::now();
        if (remaining == 0)
            return result(Outcome::TooLong, longText(size));
        if (useSplice) {
            // Everything taken into the pipe goes on into the file.
            ssize_t left = n;
            while (left > 0) {
                const ssize_t moved = ::splice(pipeRead.get(), nullptr, m_fileFd, nullptr,
                                               static_cast<size_t>(left), SPLICE_F_MOVE);
                if (moved < 0 && errno == EINTR)
                    continue;
                if (moved <= 0)
                    return result(Outcome::WriteFailed,
                                  systemError(u"Ошибка записи в файл \""_s + finalPath() + u'"',
                                              moved < 0 ? errno : EIO));
                left -= moved;
            }
        } else if (!write(buffer.get(), n, &error)) {
            return result(Outcome::WriteFailed, error);
        }
        received += n;
        control.bytes.store(received);
    }
}

bool FileReceiver::commit(QString* error)
{
    if (m_fileFd < 0 || m_committed) {
        *error = u"Файл не создан"_s;
        return false;
    }
    const int fd = m_fileFd;
    m_fileFd = -1;
    if (::close(fd) != 0) {
        *error = systemError(u"Ошибка записи в файл \""_s + finalPath() + u'"', errno);
        discard();
        return false;
    }
    const QByteArray from = QFile::encodeName(m_temporaryName);
    const QByteArray to = QFile::encodeName(m_fileName);
    if (::renameat(m_folderFd, from.constData(), m_folderFd, to.constData()) != 0) {
        *error = systemError(u"Не могу сохранить файл \""_s + finalPath() + u'"', errno);
        discard();
        return false;
    }
    m_committed = true;
    return true;
}

void FileReceiver::discard()
{
    if (m_fileFd >= 0) {
        ::close(m_fileFd);
        m_fileFd = -1;
    }
    if (!m_committed && !m_temporaryName.isEmpty() && m_folderFd >= 0) {
        const QByteArray name = QFile::encodeName(m_temporaryName);
        ::unlinkat(m_folderFd, name.constData(), 0);
    }
    m_temporaryName.clear();
}

} // namespace vantrel
