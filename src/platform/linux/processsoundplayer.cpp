#include "platform/linux/processsoundplayer.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

struct Player {
    QString program;
    QStringList options;
};

// The first player found, or an empty program.
Player findPlayer()
{
    const Player players[] = {
        {u"pw-play"_s, {}},
        {u"paplay"_s, {}},
        {u"aplay"_s, {u"-q"_s}},
    };
    for (const Player& player : players) {
        const QString executable = QStandardPaths::findExecutable(player.program);
        if (!executable.isEmpty())
            return {executable, player.options};
    }
    return {};
}

} // namespace

ProcessSoundPlayer::ProcessSoundPlayer()
    : m_process(std::make_unique<QProcess>())
{
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(m_process.get(), &QProcess::finished, m_process.get(), [this] {
        if (!m_next.isEmpty())
            start(std::exchange(m_next, {}));
    });
    QObject::connect(m_process.get(), &QProcess::errorOccurred, m_process.get(),
                     [this](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             m_next.clear();
                     });
}

ProcessSoundPlayer::~ProcessSoundPlayer()
{
    // A sound still playing is cut short rather than waited for.
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

bool ProcessSoundPlayer::isPlaying() const
{
    return m_process->state() != QProcess::NotRunning;
}

bool ProcessSoundPlayer::play(const QString& wavFile)
{
    const QFileInfo file(wavFile);
    if (!file.isFile() || !file.isReadable())
        return false;
    if (isPlaying()) {
        m_next = file.absoluteFilePath();
        return true;
    }
    return start(file.absoluteFilePath());
}

bool ProcessSoundPlayer::start(const QString& wavFile)
{
    const Player player = findPlayer();
    if (player.program.isEmpty())
        return false;
    m_process->setProgram(player.program);
    // An absolute path never starts with '-', so it cannot be taken for an option.
    m_process->setArguments(player.options + QStringList{wavFile});
    m_process->start();
    ++m_started;
    QTimer::singleShot(MaxPlayMs, m_process.get(), [process = m_process.get(), started = m_started, this] {
        if (m_started == started && process->state() != QProcess::NotRunning)
            process->kill();
    });
    return true;
}

} // namespace vantrel
