#include "filelock.h"

#include "error.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace zentari {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<std::chrono::milliseconds::rep> g_timeout{5000};

// One entry per lock file for the whole process. The descriptor is open only
// while the lock is held: a descriptor kept open would be shared by a forked
// child, and flock would then let parent and child hold "one" lock together.
struct Entry
{
    std::recursive_timed_mutex threads; // another thread of this process waits here
    int fd = -1;
    int depth = 0;
};

Entry& entryFor(const QString& key)
{
    static std::mutex mutex;
    static std::map<QString, std::unique_ptr<Entry>> entries;
    const std::lock_guard guard(mutex);
    auto& entry = entries[key];
    if (!entry)
        entry = std::make_unique<Entry>();
    return *entry;
}

enum class Outcome
{
    Locked,
    Failed,
    GaveUp // the descriptor now belongs to the waiting thread, which closes it
};

// flock has no timeout. A waiter that polled would lose every time to a
// holder that takes the lock again at once (a loop of adds); one blocked in
// flock is woken when the lock is freed. So the wait blocks on a thread of
// its own, and the caller gives up at its deadline while that thread, once it
// gets the lock, lets it go again.
Outcome lockBefore(int fd, Clock::time_point deadline, int& error)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return Outcome::Locked;
    error = errno;
    if (error != EWOULDBLOCK)
        return Outcome::Failed;
    struct Wait
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        int error = 0; // of flock, 0 when it locked
    };
    auto wait = std::make_shared<Wait>();
    std::thread([wait, fd] {
        int result = 0;
        do {
            result = ::flock(fd, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        const int flockError = result == 0 ? 0 : errno;
        const std::lock_guard guard(wait->mutex);
        if (wait->abandoned) {
            ::close(fd);
            return;
        }
        wait->finished = true;
        wait->error = flockError;
        wait->done.notify_all();
    }).detach();
    std::unique_lock guard(wait->mutex);
    if (wait->done.wait_until(guard, deadline, [&wait] { return wait->finished; })) {
        error = wait->error;
        return error == 0 ? Outcome::Locked : Outcome::Failed;
    }
    wait->abandoned = true;
    return Outcome::GaveUp;
}

[[noreturn]] void refuse(const QString& shownName)
{
    throw RefusedError(QStringLiteral("%1 сейчас изменяет другая программа (другие часы или conf) "
                                      "и не закончила за %2 с. Изменение не сохранено.")
                           .arg(shownName)
                           .arg(qRound(FileLock::timeout().count() / 1000.0)));
}

} // namespace

QString FileLock::beside(const QString& path)
{
    return path + QStringLiteral(".lock");
}

std::chrono::milliseconds FileLock::timeout()
{
    return std::chrono::milliseconds(g_timeout.load());
}

void FileLock::setTimeoutForTesting(std::chrono::milliseconds timeout)
{
    g_timeout = timeout.count();
}

FileLock::FileLock(const QString& lockFile, const QString& shownName) : m_key(lockFile)
{
    const Clock::time_point deadline = Clock::now() + timeout();
    Entry& entry = entryFor(m_key);
    if (!entry.threads.try_lock_until(deadline))
        refuse(shownName);
    if (entry.depth > 0) {
        ++entry.depth;
        return;
    }
    const QByteArray native = QFile::encodeName(lockFile);
    // Read-only is enough for flock, and opens a lock file another user made.
    const int fd = ::open(native.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        entry.threads.unlock();
        throw Error(QStringLiteral("Не удалось открыть файл «%1»: %2.")
                        .arg(lockFile, QString::fromLocal8Bit(std::strerror(error))));
    }
    int error = 0;
    switch (lockBefore(fd, deadline, error)) {
    case Outcome::Locked:
        entry.fd = fd;
        entry.depth = 1;
        return;
    case Outcome::Failed: {
        ::close(fd);
        entry.threads.unlock();
        throw Error(QStringLiteral("Не удалось заблокировать файл «%1»: %2.")
                        .arg(lockFile, QString::fromLocal8Bit(std::strerror(error))));
    }
    case Outcome::GaveUp:
        break;
    }
    entry.threads.unlock();
    refuse(shownName);
}

FileLock::FileLock(FileLock&& other) noexcept : m_key(std::move(other.m_key))
{
    other.m_key.clear();
}

FileLock::~FileLock()
{
    if (m_key.isEmpty())
        return;
    Entry& entry = entryFor(m_key);
    if (--entry.depth == 0) {
        // Closing the only descriptor of the open file lets the lock go.
        ::close(entry.fd);
        entry.fd = -1;
    }
    entry.threads.unlock();
}

} // namespace zentari
