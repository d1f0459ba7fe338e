#include "core/utilities.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <array>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Key-for-key tables: the character at index i of one is typed on the same key as the
// character at index i of the other. Letter keys, the same keys with Shift, then the
// punctuation keys whose characters differ between the two layouts.
constexpr char16_t kLatinKeys[] = u"qwertyuiop[]asdfghjkl;'zxcvbnm,.`"
                                  u"QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~"
                                  u"@#$^&/?";
constexpr char16_t kCyrillicKeys[] = u"йцукенгшщзхъфывапролджэячсмитьбюё"
                                     u"ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ"
                                     u"\"№;:?.,";
constexpr qsizetype kKeyCount = 73;
static_assert(std::size(kLatinKeys) == kKeyCount + 1 && std::size(kCyrillicKeys) == kKeyCount + 1);

QString retype(const QString& text, const char16_t* from, const char16_t* to)
{
    const QStringView fromKeys(from, kKeyCount);
    QString result = text;
    for (QChar& ch : result) {
        const qsizetype index = fromKeys.indexOf(ch);
        if (index >= 0)
            ch = QChar(to[index]);
    }
    return result;
}

// Delphi's Trim: strips every character up to and including the blank from both ends.
QStringView trimControlsAndBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.sliced(begin, end - begin);
}

// Digits of a non-negative number grouped by three with the given separator.
QString groupedDigits(quint64 value, const QString& separator)
{
    const QString digits = QString::number(value);
    QString result;
    result.reserve(digits.size() + digits.size() / 3 * separator.size());
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += separator;
        result += digits[i];
    }
    return result;
}

// A positive size / 2^shift with at most `decimals` decimals, rounded half away from zero. The
// division by a power of two is exact in integers, so no floating-point rounding creeps in.
QString formatScaled(qint64 size, int shift, int decimals, const QString& unit, const QLocale& locale)
{
    const quint64 divisor = quint64(1) << shift;
    quint64 whole = quint64(size) >> shift;
    const quint64 remainder = quint64(size) & (divisor - 1);
    quint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    // remainder < 2^30 and scale <= 100, so this cannot overflow.
    quint64 fraction = (remainder * scale * 2 + divisor) / (divisor * 2);
    if (fraction == scale) {
        ++whole;
        fraction = 0;
    }
    QString text = groupedDigits(whole, locale.groupSeparator());
    if (fraction != 0) {
        QString fractionDigits = QString::number(fraction).rightJustified(decimals, u'0');
        while (fractionDigits.endsWith(u'0'))
            fractionDigits.chop(1);
        text += locale.decimalPoint() + fractionDigits;
    }
    return text + u' ' + unit;
}

} // namespace

QString LatinToCyrillic(const QString& text)
{
    return retype(text, kLatinKeys, kCyrillicKeys);
}

QString CyrillicToLatin(const QString& text)
{
    return retype(text, kCyrillicKeys, kLatinKeys);
}

QString FormatFileSize(qint64 size, const QLocale& locale)
{
    if (size / (qint64(1) << 30) > 0)
        return formatScaled(size, 30, 2, u"ГБ"_s, locale);
    if (size / (qint64(1) << 20) > 0)
        return formatScaled(size, 20, 1, u"МБ"_s, locale);
    if (size / 1024 > 0)
        return formatScaled(size, 10, 1, u"КБ"_s, locale);
    return QString::number(size) + u" байт"_s;
}

bool IsIPAddress(const QString& text)
{
    if (text.isEmpty())
        return false;
    int dots = 0;
    for (const QChar ch : text) {
        if (ch == u'.')
            ++dots;
        else if (ch < u'0' || ch > u'9')
            return false;
    }
    return dots == 3;
}

QStringList SplitToList(const QString& text, QChar delimiter)
{
    QStringList list;
    for (const QStringView part : QStringView(text).split(delimiter)) {
        const QStringView trimmed = trimControlsAndBlanks(part);
        if (!trimmed.isEmpty())
            list.append(trimmed.toString());
    }
    return list;
}

qint64 GetFileSize64(const QString& fileName)
{
    if (fileName.isEmpty())
        return 0;
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir())
        return 0;
    return info.size();
}

QString ProgramVersionText()
{
    QStringList parts = QString::fromLatin1(VANTREL_VERSION).split(u'.');
    while (parts.size() > 3)
        parts.removeLast();
    while (parts.size() < 3)
        parts.append(u"0"_s);
    // The project version has three numbers; the build number is the fourth.
    parts.append(QString::number(VANTREL_BUILD_NUMBER));
    for (QString& part : parts) {
        // Keep the leading number of a part such as "0-rc1".
        qsizetype digits = 0;
        while (digits < part.size() && part[digits].isDigit())
            ++digits;
        part = digits == 0 ? u"0"_s : QString::number(part.left(digits).toULongLong());
    }
    return parts.join(u'.');
}

QString GetFileVersionText(const QString& fileName)
{
    if (fileName.isEmpty() || QCoreApplication::instance() == nullptr)
        return {};
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString file = QFileInfo(fileName).canonicalFilePath();
    if (file.isEmpty() || file != program)
        return {};
    return ProgramVersionText();
}

} // namespace vantrel
