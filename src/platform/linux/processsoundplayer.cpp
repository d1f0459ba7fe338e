#include "platform/linux/processsoundplayer.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vantrel {

bool ProcessSoundPlayer::play(const QString& wavFile)
{
    const QFileInfo file(wavFile);
    if (!file.isFile() || !file.isReadable())
        return false;
    struct Player {
        QString program;
        QStringList options;
    };
    const Player players[] = {
        {u"pw-play"_s, {}},
        {u"paplay"_s, {}},
        {u"aplay"_s, {u"-q"_s}},
    };
    for (const Player& player : players) {
        const QString executable = QStandardPaths::findExecutable(player.program);
        if (executable.isEmpty())
            continue;
        QProcess process;
        process.setProgram(executable);
        // An absolute path never starts with '-', so it cannot be taken for an option.
        process.setArguments(player.options + QStringList{file.absoluteFilePath()});
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        return process.startDetached();
    }
    return false;
}

} // namespace vantrel
