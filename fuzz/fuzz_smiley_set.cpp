// libFuzzer target for the smiley-set reader (Smiles.ini in UTF-8, UTF-16 or code page 1251).
//
// Input: the bytes of a set file.
// Checks: sections and values hold one line each, trimmed; the same text read as UTF-16 with
// its mark, or with LF line ends in place of CR LF, gives the same sections.

#include "display/smileysetfile.h"
#include "fuzzcheck.h"

using namespace vantrel;
using vantrel::fuzz::check;

namespace {

bool sameSections(const QList<SmileySetFile::Section>& a, const QList<SmileySetFile::Section>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].values != b[i].values)
            return false;
    }
    return true;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

void checkOneLine(const QString& text, const char* what)
{
    check(!text.contains(u'\r') && !text.contains(u'\n'), what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = SmileySetFile::decode(fuzz::bytesOf(data, size));
    const QList<SmileySetFile::Section> sections = SmileySetFile::parse(text);
    for (const SmileySetFile::Section& section : sections) {
        checkOneLine(section.name, "a section name holds one line");
        check(!section.name.contains(u']'), "a section name ends at the first bracket");
        check(section.name.isEmpty() || (!isBlank(section.name.front()) && !isBlank(section.name.back())),
              "a section name is trimmed");
        for (const auto& [key, value] : section.values) {
            checkOneLine(key, "a key holds one line");
            checkOneLine(value, "a value holds one line");
            check(!key.contains(u'='), "a key ends at the first equals sign");
        }
    }

    const QList<SmileySetFile::Section> fromUtf16 =
        SmileySetFile::parse(SmileySetFile::decode(fuzz::utf16LeWithMark(text)));
    check(sameSections(fromUtf16, sections), "the encoding does not change the sections");

    QString lf = text;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    check(sameSections(SmileySetFile::parse(lf), sections), "CR LF and LF end lines alike");
    return 0;
}
