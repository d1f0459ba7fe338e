// libFuzzer target for the update-information reader (UpdInfo.txt from the update server).
//
// Input: the bytes of the downloaded file.
// Checks: each value is the rest of one line; the same text read as UTF-16 with its mark
// gives the same values; a value found is the value of the first line of that name.

#include "fuzzcheck.h"
#include "shell/updateinfo.h"

using namespace vantrel;
using vantrel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size).toByteArray();
    const UpdateInfo info = UpdateInfo::parse(bytes);
    for (const QString* value : {&info.version, &info.updateDate}) {
        check(!value->contains(u'\n'), "a value holds one line");
        check(!value->endsWith(u'\r'), "a value leaves its line end out");
    }

    const QString text = UpdateInfo::decode(bytes);
    check(text.size() <= bytes.size(), "decoding makes no text out of nothing");
    const UpdateInfo again = UpdateInfo::parse(fuzz::utf16LeWithMark(text));
    check(again.version == info.version && again.updateDate == info.updateDate,
          "the encoding does not change the values");

    // A line put in front with another name changes nothing; one with the name wins.
    const QString shadowed = QStringLiteral("VersionX=0\r\n") + text;
    check(UpdateInfo::value(shadowed, QStringLiteral("Version")) == info.version, "other names are skipped");
    const QString first = QStringLiteral("vErSiOn=first\n") + text;
    check(UpdateInfo::value(first, QStringLiteral("Version")) == QStringLiteral("first"),
          "the first line wins");
    return 0;
}
