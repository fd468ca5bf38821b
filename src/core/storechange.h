#pragma once

#include "error.h"
#include "inifile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace zentari {

// A change whose renames were begun but not all made: the files are partly
// new, and the record stays for the next start to complete.
class UnfinishedChange : public Error
{
public:
    using Error::Error;
};

// One change of a store that spans several files (parallel list files, a
// section of conf.ini, a text file), made all or nothing. Each file is written
// atomically, but a crash between two of them would leave the lists out of
// step with one another or with their sections, and then actions run with
// another action's path or not at all. So the whole new state is first written
// as an intent record beside the lists, then the files, then the record is
// removed; a record left behind by a crash is completed before the store is
// read again, and every step is safe to repeat.
//
// The files are written in two rounds: every new content (conf.ini's too) is
// first put beside its file and flushed, and only when all of them are on
// disk are they renamed into place. A full disk, a name too long for the file
// system or a missing folder therefore fail while nothing has changed yet.
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

    // Records the change, makes it through `ini` (conf.ini's handle, whose
    // lock is held while sections change) and drops the record. Throws Error
    // when nothing has changed (the record is gone again), UnfinishedChange
    // when a rename failed after others were made.
    void commit(IniFile& ini) const;

    // Completes the change whose record a crash left at recordPath; the caller
    // holds the store's lock. A record that cannot be completed (or read) is
    // set aside under a name of its own beside it, kept for the user, and the
    // returned text says so in Russian; `whose` names the store in it, in the
    // genitive ("напоминаний"). Empty when there was nothing to do or the
    // change was completed. Throws RefusedError when conf.ini stayed locked
    // (it is tried again later), Error when the record cannot be set aside.
    static QString completePending(const QString& recordPath, IniFile& ini, const QString& whose);

    // Removes the temporary files that interrupted atomic writes left in a
    // folder ("<name>.XXXXXX" beside "<name>", for the given names or
    // suffixes), if they are older than a few seconds.
    static void removeInterruptedWrites(const QString& folder, const QStringList& nameSuffixes);

    // A record is never read past this size: it holds the lists, which are far
    // smaller, and a damaged one must not cost the clock its memory.
    static constexpr qint64 maxRecordSize = 64 * 1024 * 1024;

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
