#include "platform/linux/pcspeaker.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(VANTREL_HAVE_X11)
// Xlib defines macros that clash with Qt: include it last.
#include <X11/Xlib.h>
#endif

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

constexpr size_t kBitsPerLong = sizeof(unsigned long) * 8;

bool testBit(const unsigned long* bits, unsigned bit)
{
    return (bits[bit / kBitsPerLong] >> (bit % kBitsPerLong)) & 1UL;
}

// True when the event device can sound tones.
bool canSoundTones(int fd)
{
    unsigned long types[EV_MAX / kBitsPerLong + 1] = {};
    unsigned long sounds[SND_MAX / kBitsPerLong + 1] = {};
    if (ioctl(fd, EVIOCGBIT(0, sizeof(types)), types) < 0 || !testBit(types, EV_SND))
        return false;
    if (ioctl(fd, EVIOCGBIT(EV_SND, sizeof(sounds)), sounds) < 0)
        return false;
    return testBit(sounds, SND_TONE);
}

int openForWriting(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
}

// Candidate devices: the PC speaker's stable name first, then every event device.
QStringList candidateDevices()
{
    QStringList paths;
    const QDir byPath(u"/dev/input/by-path"_s);
    for (const QFileInfo& info : byPath.entryInfoList({u"*pcspkr*"_s}, QDir::System | QDir::Files))
        paths.append(info.absoluteFilePath());
    const QDir input(u"/dev/input"_s);
    for (const QFileInfo& info : input.entryInfoList({u"event*"_s}, QDir::System, QDir::Name))
        paths.append(info.absoluteFilePath());
    return paths;
}

} // namespace

PcSpeaker::PcSpeaker(const QString& devicePath, QObject* parent)
    : QObject(parent)
    , m_devicePath(devicePath)
{
    m_stopTimer.setSingleShot(true);
    connect(&m_stopTimer, &QTimer::timeout, this, [this] { writeTone(0); });
}

PcSpeaker::~PcSpeaker()
{
    if (m_fd >= 0) {
        if (m_stopTimer.isActive())
            writeTone(0);
        ::close(m_fd);
    }
}

void PcSpeaker::beep(int frequencyHz, int durationMs)
{
    // Runs in this object's thread, whichever thread asks.
    QMetaObject::invokeMethod(this, [this, frequencyHz, durationMs] { startTone(frequencyHz, durationMs); });
}

void PcSpeaker::startTone(int frequencyHz, int durationMs)
{
    if (frequencyHz <= 0 || durationMs <= 0)
        return;
    if (openDevice() && writeTone(frequencyHz)) {
        m_stopTimer.start(durationMs);
        return;
    }
    ringBell();
}

bool PcSpeaker::openDevice()
{
    if (m_fd >= 0 || m_searched)
        return m_fd >= 0;
    m_searched = true;
    if (!m_devicePath.isEmpty()) {
        m_fd = openForWriting(m_devicePath);
        return m_fd >= 0;
    }
    for (const QString& path : candidateDevices()) {
        const int fd = openForWriting(path);
        if (fd < 0)
            continue;
        if (canSoundTones(fd)) {
            m_fd = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

bool PcSpeaker::writeTone(int frequencyHz)
{
    if (m_fd < 0)
        return false;
    input_event event{};
    event.type = EV_SND;
    event.code = SND_TONE;
    event.value = frequencyHz;
    ssize_t written = 0;
    do {
        written = ::write(m_fd, &event, sizeof(event));
    } while (written < 0 && errno == EINTR);
    return written == ssize_t(sizeof(event));
}

void PcSpeaker::ringBell()
{
#if defined(VANTREL_HAVE_X11)
    if (Display* display = XOpenDisplay(nullptr)) {
        XBell(display, 0);
        XCloseDisplay(display);
    }
#endif
}

} // namespace vantrel
