#include "display/smileytable.h"

#include "core/tags.h"
#include "display/smileyhost.h"
#include "display/smileysetfile.h"
#include "settings/settings.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

const QString CharsTag = u"Chars"_s;
const QString FileNameTag = u"FileName"_s;

} // namespace

SmileyTable::SmileyTable(SmileyHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
{}

SmileyTable::~SmileyTable() = default;

const QStringList& SmileyTable::builtinCaptions()
{
    static const QStringList captions = {
        u" :)"_s,        u" :-)"_s,   u" :("_s,     u" ;)"_s,     u" :lol"_s,   u" :D"_s,     u" :-*"_s,
        u" :cool"_s,     u" :yes"_s,  u" :no"_s,    u" :angry"_s, u" :->"_s,    u" :-/"_s,    u" :-\\"_s,
        u" :w00t"_s,     u" :beer"_s, u" :angel"_s, u" :'("_s,    u" :-("_s,    u" :weird"_s, u" :devil"_s,
        u" :headshot"_s, u" :hmm"_s,  u" :love"_s,  u" :omg"_s,   u" :oops"_s,  u" :pouty"_s, u" :O"_s,
        u" :sick"_s,     u" :wtf"_s,  u" :K"_s,     u" :figa"_s,  u" :drink"_s,
    };
    return captions;
}

void SmileyTable::rebuild(const Settings& settings)
{
    rebuild(settings.fmConfig.CheckBox_Smiles_Checked.value() ? Set::External : Set::Builtin,
            settings.fmConfig.JvFilenameEdit_Smiles_FileName.value());
}

void SmileyTable::rebuild(Set set, const QString& setFile)
{
    m_entries.clear();
    m_tags.clear();
    m_set = set;
    m_setFile.clear();
    if (set == Set::External) {
        m_setFile = setFile;
        loadExternal(setFile);
    } else {
        for (const QString& caption : builtinCaptions())
            append(MakeTag(CharsTag, caption), QString());
    }
    Q_EMIT rebuilt();
}

void SmileyTable::loadExternal(const QString& setFile)
{
    const auto sections = SmileySetFile::read(setFile);
    if (!sections || sections->isEmpty()) {
        m_host.showBalloon(u"Vantrel"_s, u"Некорректный файл "_s + setFile, SmileyHost::BalloonLevel::Error);
        return;
    }
    // Pictures are named relative to the set file's folder. Set files written on Windows may
    // name a subfolder with '\'.
    const QString folder = QFileInfo(setFile).absolutePath() + u'/';
    for (const SmileySetFile::Section& section : *sections) {
        QString name = section.value(FileNameTag);
        name.replace(u'\\', u'/');
        const QString path = folder + name;
        if (!QFileInfo(path).isFile()) {
            m_host.showBalloon(m_host.mainWindowCaption(), u"Файл \""_s + path + u"\" не найден!"_s,
                               SmileyHost::BalloonLevel::Error);
            continue;
        }
        append(MakeTag(CharsTag, section.value(CharsTag)) + MakeTag(FileNameTag, path),
               section.value(u"Label"));
    }
}

void SmileyTable::append(const QString& tags, const QString& label)
{
    // The entry is read back from its tag text, exactly as a reader of the tag entries sees it.
    m_tags.append(tags);
    m_entries.append({TagValue(CharsTag, tags), TagValue(FileNameTag, tags), label});
}

} // namespace vantrel
