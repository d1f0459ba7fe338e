// libFuzzer target for the INI reader and the typed settings model on top of it.
//
// Input: the bytes of a settings file.
// Checks: a file written back reads back to the same entries and writes the same bytes again;
// every typed reading of every entry gives an answer; the settings model, loaded from the
// bytes and saved, loads and saves to the same file once more.

#include "fuzzcheck.h"
#include "settings/inifile.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace vantrel;
using vantrel::fuzz::check;

namespace {

void readEverything(const IniFile& ini)
{
    for (const QString& section : ini.sections()) {
        (void)ini.readPlacement(section);
        for (const QString& key : ini.keys(section)) {
            check(ini.contains(section, key), "a listed key is found");
            (void)ini.readInt(section, key, 0);
            (void)ini.readBool(section, key, false);
            (void)ini.readStringList(section, key, {});
            (void)ini.readFont(section, key, FontSpec());
        }
    }
}

void checkSameEntries(const IniFile& a, const IniFile& b)
{
    check(a.sections() == b.sections(), "sections survive a round trip");
    for (const QString& section : a.sections()) {
        check(a.keys(section) == b.keys(section), "keys survive a round trip");
        for (const QString& key : a.keys(section))
            check(a.value(section, key) == b.value(section, key), "values survive a round trip");
    }
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "a saved file can be read");
    return file.readAll();
}

void checkSettingsModel(QByteArrayView input)
{
    // On a memory file system where there is one: each run saves twice, synced.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/vantrel-fuzz-XXXXXX")
                                 : QString());
    check(dir.isValid(), "a temporary folder");
    const QString path = dir.filePath(QStringLiteral("VantrelMsg.ini"));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input is written");
        file.write(input.data(), input.size());
    }
    QByteArray first;
    {
        Settings settings(path);
        settings.saveAll();
        check(settings.lastError().isEmpty(), "the settings save");
        first = readFile(path);
    }
    Settings again(path);
    again.saveAll();
    check(readFile(path) == first, "loading what was saved changes nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input = fuzz::bytesOf(data, size);
    IniFile ini;
    ini.parse(input);
    readEverything(ini);

    const QByteArray written = ini.serialize();
    IniFile reread;
    reread.parse(written);
    checkSameEntries(ini, reread);
    check(reread.serialize() == written, "a written file writes back unchanged");

    // The model's loading clamps and drops what it cannot read; keep the slower file round trip
    // to inputs of a settings file's size.
    if (size <= 16 * 1024)
        checkSettingsModel(input);
    return 0;
}
