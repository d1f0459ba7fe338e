// Installs the build into a temporary prefix with `cmake --install` and checks what users get:
// the files of an installation, the desktop entries, the AppStream description and the manual
// page as their validators see them, and the installed program running headless from that
// prefix, finding its sounds, smileys and help there and taking a message.

#include "display/smileysetfile.h"
#include "programrunner.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(program, args);
    Run result;
    if (!p.waitForStarted(10000))
        return result;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return result;
    }
    result.out = p.readAllStandardOutput();
    result.err = p.readAllStandardError();
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return result;
}

QString tool(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

// The value of `key` in section `section` of an INI text.
QString iniValue(const QString& text, const QString& section, const QString& key)
{
    bool inSection = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(u'[' + section + u']', Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && line.section(u'=', 0, 0).trimmed() == key)
            return line.section(u'=', 1);
    }
    return {};
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestInstall final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_prefix;
    QString share() const { return m_prefix.path() + u"/share"_s; }
    QString program() const { return m_prefix.path() + u"/bin/vantrel"_s; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        const QString cmake = qEnvironmentVariable("VANTREL_CMAKE_COMMAND");
        QVERIFY2(!cmake.isEmpty(), "VANTREL_CMAKE_COMMAND is not set");
        const Run install = run(cmake, {u"--install"_s, qEnvironmentVariable("VANTREL_TEST_BUILD_DIR"),
                                        u"--prefix"_s, m_prefix.path()});
        QVERIFY2(install.exitCode == 0, install.out.constData());
    }

    void theInstallationHoldsWhatTheProgramNeeds()
    {
        QVERIFY(QFileInfo(program()).isExecutable());
        const QString data = share() + u"/vantrel"_s;
        QVERIFY(QFileInfo(data + u"/Sounds/message.wav"_s).size() > 44);
        QVERIFY(readFile(data + u"/help/index.html"_s).contains("<html"));
        // Every picture the smiley set names is there.
        const auto set = vantrel::SmileySetFile::read(data + u"/Smiles/Default/Smiles.ini"_s);
        QVERIFY(set.has_value());
        QVERIFY(set->size() >= 20);
        for (const auto& section : *set) {
            const QString picture = section.value(u"FileName");
            QVERIFY2(!picture.isEmpty() && QFileInfo(data + u"/Smiles/Default/"_s + picture).size() > 0,
                     qPrintable(section.name));
        }
        // Nothing points back into the build or source tree.
        const QByteArray buildDir = qEnvironmentVariable("VANTREL_TEST_BUILD_DIR").toUtf8();
        QDirIterator it(share(), QDir::Files, QDirIterator::Subdirectories);
        int files = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            ++files;
            QVERIFY2(!readFile(path).contains(buildDir), qPrintable(path));
        }
        QVERIFY(files > 30);
    }

    void iconsComeInTheUsualSizes()
    {
        const QString hicolor = share() + u"/icons/hicolor"_s;
        QVERIFY(readFile(hicolor + u"/scalable/apps/vantrel.svg"_s).contains("<svg"));
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString file = u"%1/%2x%2/apps/vantrel.png"_s.arg(hicolor).arg(size);
            const QImage image(file);
            QVERIFY2(!image.isNull(), qPrintable(file));
            QCOMPARE(image.size(), QSize(size, size));
            // Drawn, not empty: the middle of the icon is opaque, a corner transparent.
            QCOMPARE(qAlpha(image.pixel(size / 3, size / 3)), 255);
            QCOMPARE(qAlpha(image.pixel(size - 1, 0)), 0);
        }
    }

    void desktopEntriesValidate()
    {
        const QString validate = tool(u"desktop-file-validate"_s);
        QVERIFY2(!validate.isEmpty(),
                 "desktop-file-validate is missing (scripts/install-deps.sh installs it)");
        const QString apps = share() + u"/applications/"_s;
        for (const QString& entry : {u"vantrel.desktop"_s, u"vantrel-send-files.desktop"_s}) {
            const Run result = run(validate, {apps + entry});
            QVERIFY2(result.exitCode == 0 && result.out.isEmpty(),
                     QByteArray(result.out + result.err).constData());
        }
        // The main entry offers handing files to the running copy.
        const QByteArray main = readFile(apps + u"vantrel.desktop"_s);
        QVERIFY(main.contains("Actions=send-files;"));
        QVERIFY(main.contains("[Desktop Action send-files]\nName=") &&
                main.contains("Exec=vantrel --send-files - %F"));
    }

    void theAppStreamDescriptionValidates()
    {
        const QString appstream = tool(u"appstreamcli"_s);
        QVERIFY2(!appstream.isEmpty(), "appstreamcli is missing (scripts/install-deps.sh installs it)");
        const QString file = share() + u"/metainfo/org.vantrel.vantrel.metainfo.xml"_s;
        const Run result = run(appstream, {u"validate"_s, u"--no-net"_s, u"--pedantic"_s, file});
        QVERIFY2(result.exitCode == 0, QByteArray(result.out + result.err).constData());
        QVERIFY2(!result.out.contains("W:") && !result.out.contains("E:"), result.out.constData());
        QVERIFY(readFile(file).contains("<launchable type=\"desktop-id\">vantrel.desktop</launchable>"));
    }

    void theManualPageCoversEveryArgument()
    {
        const Run page = run(u"gzip"_s, {u"-dc"_s, share() + u"/man/man1/vantrel.1.gz"_s});
        QCOMPARE(page.exitCode, 0);
        const QString man = QString::fromUtf8(page.out).replace(u"\\-"_s, u"-"_s);
        QVERIFY(man.startsWith(u".TH VANTREL 1"_s));
        QVERIFY(!man.contains(u'@'));
        // Every option the program's own help names, and the first-argument switches.
        const Run help = run(program(), {u"--help"_s});
        QCOMPARE(help.exitCode, 0);
        const QString usage = QString::fromUtf8(help.out + help.err);
        QRegularExpressionMatchIterator options = QRegularExpression(u"--[a-z-]+"_s).globalMatch(usage);
        int count = 0;
        while (options.hasNext()) {
            const QString option = options.next().captured();
            QVERIFY2(man.contains(u".B "_s + option) || man.contains(u".BI "_s + option) ||
                         man.contains(u".BR "_s + option),
                     qPrintable(option));
            ++count;
        }
        QVERIFY(count >= 8);
        for (const QString& item : {u"\n.B a\n"_s, u"\n.B d\n"_s, u"\n.B m\n"_s})
            QVERIFY(man.contains(item));
        // And every file the program keeps.
        for (const QString& file :
             {u"VantrelMsg.ini"_s, u"compnames.vtl"_s, u"VantrelMsg.log"_s, u"UpdInfo.txt"_s,
              u"VantrelMsg.desktop"_s, u"Smiles.ini"_s, u"message.wav"_s}) {
            QVERIFY2(man.contains(file), qPrintable(file));
        }
        QVERIFY2(man.contains(share() + u"/vantrel"_s) || man.contains(u"/share/vantrel"_s),
                 "the data folder is named");
    }

    void theInstalledProgramRunsFromItsPrefix()
    {
        ProgramRunner runner;
        runner.setBinary(program());
        runner.setEnvironment(u"VANTREL_DATA_DIR"_s, QString());

        QByteArray out;
        QCOMPARE(runner.runToEnd({u"--version"_s}, &out), 0);
        QVERIFY2(out.contains(VANTREL_VERSION), out.constData());

        QVERIFY(runner.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.161"_s}, true));
        // Its data comes from the prefix: the paths it filled into the new settings file.
        const QString ini = QString::fromUtf8(readFile(runner.settingsFile()));
        const QString data = QDir(share() + u"/vantrel"_s).canonicalPath();
        const QString sound = iniValue(ini, u"fmConfig"_s, u"FilenameEdit_PlaySound_FileName"_s);
        const QString smileys = iniValue(ini, u"fmConfig"_s, u"JvFilenameEdit_Smiles_FileName"_s);
        QCOMPARE(QFileInfo(sound).canonicalFilePath(), data + u"/Sounds/message.wav"_s);
        QCOMPARE(QFileInfo(smileys).canonicalFilePath(), data + u"/Smiles/Default/Smiles.ini"_s);

        // And it takes a message sent by the installed program.
        QCOMPARE(runner.runToEnd(
                     {u"--send"_s, u"127.0.0.161"_s, u"from the package"_s, u"--bind"_s, u"127.0.0.162"_s}),
                 0);
        QByteArray printed;
        const bool received = QTest::qWaitFor(
            [&] {
                printed += runner.instance().readAllStandardOutput();
                return printed.contains("from the package");
            },
            20000);
        QVERIFY2(received, printed.constData());
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
