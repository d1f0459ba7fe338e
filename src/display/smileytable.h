#pragma once

#include "display/smileyentry.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vantrel {

class Settings;
class SmileyHost;

// The process-wide smiley table that the conversation windows search when they write a
// line. One entry per smiley, in table order; an entry is the tag-field text
// <Chars>sequence</Chars>, followed for the external set by <FileName>picture path</FileName>.
//
// External set: read from the set file (see SmileySetFile), one entry per section in file
// order whose picture exists; the picture path is the set file's folder + the FileName value.
// Built-in set: the 33 fixed sequences, each a blank followed by the characters; entry i is
// drawn with built-in picture i.
//
// Failures are told through the host: a set file that is missing, unreadable, too large or
// without sections gives "Некорректный файл " + its path (title "Vantrel") and an empty table;
// a missing picture gives "Файл \"path\" не найден!" (titled with the main window's caption)
// and leaves that smiley out.
//
// UI thread only.
class SmileyTable final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmileyTable)

public:
    enum class Set { Builtin, External };

    static constexpr int BuiltinCount = 33;

    explicit SmileyTable(SmileyHost& host, QObject* parent = nullptr);
    ~SmileyTable() override;

    // The built-in set's sequences with their leading blank, index 0 to 32 (the captions of
    // the built-in smiley menu).
    static const QStringList& builtinCaptions();

    // Empties the table and fills it for the current settings: the external set from
    // JvFilenameEdit_Smiles_FileName while CheckBox_Smiles is on, else the built-in set.
    // Called at start and each time the settings dialog is confirmed.
    void rebuild(const Settings& settings);
    void rebuild(Set set, const QString& setFile);

    Set set() const { return m_set; }
    // The set file the table was last filled from; empty for the built-in set.
    QString setFile() const { return m_setFile; }

    const QList<SmileyEntry>& entries() const { return m_entries; }
    // The entries as tag-field texts.
    const QStringList& tagEntries() const { return m_tags; }
    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

Q_SIGNALS:
    void rebuilt();

private:
    void loadExternal(const QString& setFile);
    void append(const QString& tags, const QString& label);

    SmileyHost& m_host;
    Set m_set = Set::Builtin;
    QString m_setFile;
    QList<SmileyEntry> m_entries;
    QStringList m_tags;
};

} // namespace vantrel
