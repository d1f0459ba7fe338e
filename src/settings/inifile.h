#pragma once

#include "settings/fontspec.h"
#include "settings/windowplacement.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// An INI file held in memory and written back whole.
//
// Format: UTF-8, written with a byte-order mark and CRLF line ends; read with or without
// the mark and with CRLF, LF or CR line ends. Sections "[Name]" (a subsection is just a
// section named "Parent\Key"), entries "key=value" where the value is everything after
// the first '='. Blanks and tabs around keys and values are dropped on reading, as in
// Windows INI files. Section names and keys are compared without regard to letter case
// and keep the spelling they were first written with. Comments, blank lines, unknown
// sections and keys survive a load/save round trip in their order; entries are written
// back as "key=value".
//
// A value cannot span lines: line breaks inside a written value become blanks.
// save() replaces the file atomically (temporary file in the same folder, fsync, rename),
// so a crash or a full disk during a save leaves the previous file as it was.
class IniFile final {
public:
    // Files larger than this are refused on loading.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    IniFile() = default;
    explicit IniFile(QString path);

    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }

    // Replaces the contents with the file's. A missing file gives empty contents and
    // succeeds; an unreadable or oversized one keeps the contents and fails (errorString()).
    bool load();
    // Writes the contents to path(). On failure the file on disk is unchanged.
    bool save();
    QString errorString() const { return m_error; }

    void parse(QByteArrayView data);
    QByteArray serialize() const;
    void clear();

    QStringList sections() const;
    bool hasSection(const QString& section) const;
    QStringList keys(const QString& section) const;
    bool contains(const QString& section, const QString& key) const;
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    void removeKey(const QString& section, const QString& key);
    void removeSection(const QString& section);

    // Typed access. A missing key or a text that cannot be read as the type gives def.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    // TRUE/YES/Y and FALSE/NO/N in any case; written "TRUE"/"FALSE".
    bool readBool(const QString& section, const QString& key, bool def) const;
    void writeBool(const QString& section, const QString& key, bool value);
    // Decimal.
    int readInt(const QString& section, const QString& key, int def) const;
    void writeInt(const QString& section, const QString& key, int value);

    // Lists live in the subsection "section\key": Count, then Item0 .. Item<Count-1>.
    // No subsection (or an unreadable Count) gives def; Count=0 gives an empty list;
    // items missing inside the subsection are skipped.
    QStringList readStringList(const QString& section, const QString& key, const QStringList& def) const;
    void writeStringList(const QString& section, const QString& key, const QStringList& list);

    // Fonts live in the subsection "section\key": Name, Height, Color, CharSet, Style.
    // No subsection gives def; a missing or unreadable attribute keeps def's.
    FontSpec readFont(const QString& section, const QString& key, const FontSpec& def) const;
    void writeFont(const QString& section, const QString& key, const FontSpec& font);

    // Placement keys in the section itself: Flags, PixelsPerInch, MinMaxPos "x,y,x,y",
    // NormPos "left,top,right,bottom". Absent or unreadable NormPos gives nullopt.
    std::optional<WindowPlacement> readPlacement(const QString& section) const;
    void writePlacement(const QString& section, const WindowPlacement& placement);

    static QString subsection(const QString& section, const QString& key);

private:
    struct Line {
        bool isEntry = false;
        QString key;  // entries only
        QString text; // value of an entry, or the whole text of any other line
    };
    struct Section {
        QString name;
        QList<Line> lines;
        QHash<QString, qsizetype> index; // folded key -> first line holding it
        void reindex();
    };

    const Section* findSection(const QString& name) const;
    Section& sectionForWrite(const QString& name);
    void reindexSections();

    QString m_path;
    QString m_error;
    QList<Line> m_preamble; // lines before the first section
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex; // folded name -> first section of that name
};

} // namespace vantrel
