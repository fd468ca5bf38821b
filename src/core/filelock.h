#pragma once

#include <QString>
#include <chrono>

namespace zentari {

// An advisory lock (flock) on "<file>.lock" beside a file or a set of files
// that several processes read, change and write back: the clock, conf and a
// second clock each work from their own copy, and without the lock one of two
// writers at the same moment undoes the other's change. The lock file itself
// is never removed (a removed one would let two writers hold "the" lock).
//
// Held until destroyed. Taken again by the same thread while held, it only
// counts, so that a store change can hold conf.ini's lock across writes that
// take it too. Waits at most timeout(); then throws RefusedError, and the
// caller writes nothing.
class FileLock
{
public:
    // lockFile: the lock file's path; shownName: what it guards, as the
    // message's subject names it ("Файл «…/conf.ini»").
    FileLock(const QString& lockFile, const QString& shownName);
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock& operator=(FileLock&&) = delete;

    // "<path>.lock".
    static QString beside(const QString& path);

    static std::chrono::milliseconds timeout();
    // Test seam: a shorter wait than the few seconds a user would give.
    static void setTimeoutForTesting(std::chrono::milliseconds timeout);

private:
    QString m_key;
};

} // namespace zentari
