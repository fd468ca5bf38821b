#pragma once

#include "error.h"
#include "filelock.h"
#include "storechange.h"

#include <QString>
#include <QStringList>
#include <sys/types.h>
#include <vector>

namespace zentari {

class IniFile;

// What the action store and the reminder store share about their files under
// data/: one advisory lock for every writer of the lists, in whatever process
// ("<name>.lock"); the intent record of a change ("<name>.pending") and what
// becomes of one a crash left; whether the lists on disk are still those this
// copy read or wrote; and the rule that a copy which could not be read whole
// never writes, since it would write its gaps over the user's lists.
class StoreFiles
{
public:
    // dataDir: the folder of the lists, with a trailing separator; lists: the
    // list files' names in it; whose: the store in Russian, in the genitive
    // ("действий", "напоминаний"), for the messages.
    StoreFiles(QString dataDir, QString name, QString whose, QStringList lists);

    QString recordPath() const;
    QString lockPath() const;

    // Waits a few seconds at most for another writer; throws RefusedError.
    FileLock lock() const;

    // Under the lock: completes a change a crash left, or sets its record
    // aside; the message of a record set aside is kept for takeNotice().
    // Throws Error when neither can be done.
    void completePending(IniFile& ini);
    // What the user should hear once about the store (a record set aside), or
    // the empty text.
    QString takeNotice();

    // The copy in memory is what the lists hold now (after reading or writing
    // them); the lists' identities are kept to see later changes by others.
    void markCurrent();
    // Whether a list changed on disk since markCurrent().
    bool changedOnDisk() const;

    // The refusal for a copy that could not be read whole (why: the read's error).
    RefusedError refusal(const QString& why) const;

    // Commits the change and marks the copy current; see StoreChange::commit.
    void commit(const StoreChange& change, IniFile& ini);

    // One change of the store, all or nothing in memory as on disk. `make`
    // changes the records and says in the StoreChange what the files become;
    // then the change is made through `ini` (conf.ini's handle, or none).
    // When nothing was made the records are put back as they were; when the
    // change was made in part (UnfinishedChange) `reread` makes them what the
    // files now hold. Either way the error goes on to the caller.
    template <typename Records, typename Make, typename Reread>
    void change(Records& records, IniFile& ini, Make&& make, Reread&& reread)
    {
        Records before = records;
        try {
            StoreChange change(recordPath());
            make(change);
            commit(change, ini);
        } catch (const UnfinishedChange&) {
            try {
                reread();
            } catch (const Error&) {
                // The files stay as they are; the next change reads them again.
            }
            throw;
        } catch (...) {
            records = std::move(before);
            throw;
        }
    }

private:
    struct Stamp
    {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        long long ctimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    std::vector<Stamp> stamps() const;

    QString m_dataDir;
    QString m_name;
    QString m_whose;
    QStringList m_lists;
    std::vector<Stamp> m_current;
    QString m_notice;
};

} // namespace zentari
