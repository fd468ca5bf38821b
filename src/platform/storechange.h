#pragma once

#include "inifile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace zentari {

// One change of a store that spans several files (parallel list files, a
// section of conf.ini, a text file), made all or nothing. Each file is written
// atomically, but a crash between two of them would leave the lists out of
// step with one another or with their sections, and then actions run with
// another action's path or not at all. So the whole new state is first written
// as an intent record beside the lists, then the files, then the record is
// removed; a record left behind by a crash is completed before the store is
// read again, and every step is safe to repeat.
class StoreChange
{
public:
    // recordPath: where the intent record lives while the change is made.
    explicit StoreChange(QString recordPath);

    void setList(const QString& path, const QStringList& lines);
    void writeFile(const QString& path, const QByteArray& bytes);
    void removeFile(const QString& path);
    void writeSection(const QString& section, QList<std::pair<QString, QString>> keys);
    void eraseSection(const QString& section);

    // Records the change, makes it through `ini` (conf.ini's handle) and
    // drops the record. Throws Error; when the record could not be written,
    // nothing has changed.
    void commit(IniFile& ini) const;

    // Completes the change whose record is at recordPath, if a crash left one.
    // Throws Error when it cannot be completed now (it is tried again later).
    static void completePending(const QString& recordPath, IniFile& ini);

    // Removes the temporary files that interrupted atomic writes left in a
    // folder ("<name>.XXXXXX" beside "<name>", for the given names or
    // suffixes), if they are older than a few seconds.
    static void removeInterruptedWrites(const QString& folder, const QStringList& nameSuffixes);

private:
    enum class Kind : quint8
    {
        List = 1,
        File = 2,
        Remove = 3,
        Section = 4,
        Erase = 5
    };
    struct Step
    {
        Kind kind;
        QString target; // file path (relative to the record's folder) or section name
        QStringList lines;
        QByteArray bytes;
        QList<std::pair<QString, QString>> keys;
    };

    QByteArray serialise() const;
    static QList<Step> parse(const QByteArray& bytes, const QString& recordPath);
    static void apply(const QList<Step>& steps, const QString& recordPath, IniFile& ini);
    QString relative(const QString& path) const;

    QString m_recordPath;
    QList<Step> m_steps;
};

} // namespace zentari
