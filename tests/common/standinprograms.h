#pragma once

// Stand-ins for helper programs (Samba's smbclient and testparm): shell scripts in a temporary
// folder that record their arguments and standard input and end with a chosen status and
// error text. The folder can be put first on PATH, or be all of it.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class StandInPrograms final {
public:
    struct Run {
        QStringList arguments;
        QByteArray input;
    };

    StandInPrograms()
        : m_oldPath(qgetenv("PATH"))
    {}
    ~StandInPrograms()
    {
        if (m_pathSet)
            qputenv("PATH", m_oldPath);
    }
    Q_DISABLE_COPY_MOVE(StandInPrograms)

    QString dir() const { return m_dir.path(); }

    // smbclient: records each run (arguments, standard input), prints its prompt, writes
    // `errorText` to standard error and ends with `status` (after `sleepSeconds`).
    void addSmbclient(int status = 0, const QByteArray& errorText = {}, int sleepSeconds = 0)
    {
        write(QStringLiteral("smbclient.status"), QByteArray::number(status));
        write(QStringLiteral("smbclient.stderr"), errorText);
        const QByteArray script = "#!/bin/sh\n"
                                  "PATH=/usr/bin:/bin\n"
                                  "dir='" +
                                  QFile::encodeName(dir()) +
                                  "'\n"
                                  // Runs at once (one per recipient) each take a number of
                                  // their own: mkdir either makes the slot or fails.
                                  "n=1\n"
                                  "until mkdir \"$dir/slot-$n\" 2>/dev/null; do n=$((n + 1)); done\n"
                                  "printf '%s\\0' \"$@\" > \"$dir/run-$n.args\"\n"
                                  "cat > \"$dir/run-$n.in\"\n"
                                  "echo 'Type your message, ending it with a Control-D'\n"
                                  "sleep " +
                                  QByteArray::number(sleepSeconds) +
                                  "\n"
                                  "cat \"$dir/smbclient.stderr\" >&2\n"
                                  "exit $(cat \"$dir/smbclient.status\")\n";
        writeProgram(QStringLiteral("smbclient"), script);
    }

    // testparm: prints `workgroup` for `-s --parameter-name workgroup`, as Samba's does.
    void addTestparm(const QByteArray& workgroup)
    {
        writeProgram(QStringLiteral("testparm"),
                     "#!/bin/sh\n"
                     "echo 'Load smb config files from /etc/samba/smb.conf' >&2\n"
                     "[ \"$1 $2 $3\" = '-s --parameter-name workgroup' ] || exit 1\n"
                     "echo '" +
                         workgroup + "'\n");
    }

    // PATH with the stand-ins first; with `only`, the stand-ins alone.
    QString path(bool only = false) const
    {
        return only ? dir() : dir() + u':' + QString::fromLocal8Bit(m_oldPath);
    }
    void putOnPath(bool only = false)
    {
        qputenv("PATH", QFile::encodeName(path(only)));
        m_pathSet = true;
    }

    // The runs of smbclient so far, in order.
    QList<Run> runs() const
    {
        QList<Run> result;
        for (int n = 1;; ++n) {
            QFile args(dir() + QStringLiteral("/run-") + QString::number(n) + QStringLiteral(".args"));
            QFile input(dir() + QStringLiteral("/run-") + QString::number(n) + QStringLiteral(".in"));
            if (!args.open(QIODevice::ReadOnly) || !input.open(QIODevice::ReadOnly))
                return result;
            Run run;
            QByteArray all = args.readAll();
            all.chop(1);
            for (const QByteArray& arg : all.split('\0'))
                run.arguments.append(QString::fromUtf8(arg));
            run.input = input.readAll();
            result.append(run);
        }
    }

private:
    void write(const QString& name, const QByteArray& data) const
    {
        QFile file(dir() + u'/' + name);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(data);
    }
    void writeProgram(const QString& name, const QByteArray& script) const
    {
        write(name, script);
        QFile::setPermissions(dir() + u'/' + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
    bool m_pathSet = false;
};
