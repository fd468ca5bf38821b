#include "singleinstance.h"

#include "handovermessage.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zentari {
namespace {

using namespace std::chrono_literals;

// A start that connects and then says nothing is not kept for the whole day.
constexpr auto kIdleConnection = 60s;
// How often a start that waits asks for the lock or the socket again.
constexpr auto kPoll = 50ms;
// The longest the clock waits for room to write an answer in.
constexpr auto kAnswerSend = 2s;

int milliseconds(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

// `path` when it is a folder of this user's that nobody else may enter.
// create: make it so (the fallback under the shared temp folder, where
// another user may have put anything at that name first).
QString privateFolder(const QString& path, bool create, QString& problem)
{
    const QByteArray native = QFile::encodeName(path);
    if (create)
        ::mkdir(native.constData(), 0700);
    struct stat st
    {
    };
    if ((create ? ::lstat(native.constData(), &st) : ::stat(native.constData(), &st)) != 0 ||
        !S_ISDIR(st.st_mode)) {
        problem = QStringLiteral("Не удалось подготовить папку «%1».").arg(path);
        return {};
    }
    if (st.st_uid != ::geteuid()) {
        problem = QStringLiteral("Папка «%1» принадлежит другому пользователю.").arg(path);
        return {};
    }
    if ((st.st_mode & 077) != 0 && !(create && ::chmod(native.constData(), 0700) == 0)) {
        problem = QStringLiteral("Папка «%1» открыта другим пользователям.").arg(path);
        return {};
    }
    return QDir::cleanPath(path) + u'/';
}

// $XDG_RUNTIME_DIR as the session made it, else a folder of our own in the
// temp folder. Asked without QStandardPaths, which warns on standard error
// whenever the variable is missing: `zentari --list` would print that too.
QString runtimeFolder(QString& problem)
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(xdg)) {
        QString unusable;
        const QString dir = privateFolder(xdg, false, unusable);
        if (!dir.isEmpty())
            return dir;
    }
    return privateFolder(QDir::tempPath() + QStringLiteral("/zentari-") +
                             QString::number(::geteuid()),
                         true, problem);
}

// The socket's address; false when the path does not fit sun_path.
bool socketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray native = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || size_t(native.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    return true;
}

// An AF_UNIX stream socket that never blocks and is not inherited by the
// programs the clock starts (which would otherwise keep it alive).
int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// Waits for `events` on `fd` until the deadline: true when they came.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, milliseconds(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

enum class Sent
{
    All,
    TimedOut,
    Broken, // the other end is gone
};

// Writes all of `bytes` to the non-blocking `fd`, waiting for room until the
// deadline. MSG_NOSIGNAL: a peer that is gone must not end this process.
Sent sendAll(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return deadline.hasExpired() ? Sent::TimedOut : Sent::Broken;
        } else {
            return Sent::Broken;
        }
    }
    return Sent::All;
}

enum class Received
{
    Some,    // bytes were appended
    Nothing, // none are there yet
    End,     // the other end closed, or the connection broke
};

// Appends what can be read from `fd` without waiting.
Received receive(int fd, QByteArray& buffer)
{
    Received result = Received::Nothing;
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer.append(chunk, n);
            result = Received::Some;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return result;
        // End of stream, or a reset: what came before it still counts.
        return result == Received::Some ? Received::Some : Received::End;
    }
}

} // namespace

// One accepted connection of a later start, on the clock's side: its
// descriptor, watched by the event loop, and what it sent so far. Deletes
// itself (and the request it carries) when the start hangs up.
class InstanceConnection : public QObject
{
public:
    InstanceConnection(int fd, QObject* parent)
        : QObject(parent), m_fd(fd),
          m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
    {
    }
    ~InstanceConnection() override { close(); }

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    QSocketNotifier* notifier() const { return m_notifier; }
    QByteArray& buffer() { return m_buffer; }
    bool hasRequest() const { return m_hasRequest; }
    void setHasRequest() { m_hasRequest = true; }

    // Closes the connection now; the object goes from the event loop.
    void abort()
    {
        close();
        deleteLater();
    }

private:
    void close()
    {
        if (m_fd < 0)
            return;
        m_notifier->setEnabled(false);
        ::close(m_fd);
        m_fd = -1;
    }

    int m_fd;
    QSocketNotifier* m_notifier;
    QByteArray m_buffer;
    bool m_hasRequest = false;
};

InstanceRequest::InstanceRequest(QStringList arguments, InstanceConnection* connection)
    : QObject(connection), m_arguments(std::move(arguments)), m_connection(connection)
{
}

void InstanceRequest::answer(int status, const QString& message)
{
    if (m_answered)
        return;
    m_answered = true;
    if (!m_connection->isOpen())
        return;
    // Out at once, before this returns: the answer to "quit" is followed by
    // the end of the process. An answer fits the socket's buffer; a start
    // that reads nothing holds the clock up no longer than kAnswerSend.
    sendAll(m_connection->fd(), handover::encode(handover::answerMessage(status, message)),
            QDeadlineTimer(kAnswerSend));
    m_connection->abort();
}

SingleInstance::SingleInstance(const QString& programDir, const QString& runtimeDir,
                               QObject* parent)
    : QObject(parent), m_key(keyFor(programDir))
{
    m_dir = runtimeDir.isEmpty() ? runtimeFolder(m_problem) : QDir::cleanPath(runtimeDir) + u'/';
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::keyFor(const QString& programDir)
{
    // The same folder reached through a link, or written with a trailing
    // separator, is the same clock.
    QString canonical = QFileInfo(programDir).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QDir(programDir).absolutePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("zentari-") + QString::fromLatin1(hash.toHex().left(16));
}

qint64 SingleInstance::holderPid() const
{
    if (lockPath().isEmpty())
        return 0;
    QLockFile lock(lockPath());
    qint64 pid = 0;
    QString host, application;
    if (!lock.getLockInfo(&pid, &host, &application))
        return 0;
    return pid;
}

QString SingleInstance::lockPath() const
{
    return m_dir.isEmpty() ? QString() : m_dir + m_key + QStringLiteral(".lock");
}

QString SingleInstance::socketPath() const
{
    return m_dir.isEmpty() ? QString() : m_dir + m_key + QStringLiteral(".socket");
}

bool SingleInstance::isClaimed() const
{
    return m_lock && m_lock->isLocked();
}

bool SingleInstance::claim(std::chrono::milliseconds wait)
{
    if (isClaimed())
        return true;
    if (m_dir.isEmpty())
        return false;
    auto lock = std::make_unique<QLockFile>(lockPath());
    // Held all day long: only a holder that is gone makes the lock stale,
    // never the lock's age.
    lock->setStaleLockTime(0);
    // Asked again every few milliseconds rather than with QLockFile's own
    // wait, which sleeps for seconds between its tries: the clock that takes
    // over from a closing one must tick again at once.
    const QDeadlineTimer deadline(wait);
    while (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) {
            m_problem = QStringLiteral("Файл «%1» не создаётся.").arg(lockPath());
            return false;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(std::min<qint64>(kPoll.count(), deadline.remainingTime()));
    }
    m_lock = std::move(lock);
    m_problem.clear();
    listen();
    return true;
}

void SingleInstance::listen()
{
    const QString path = socketPath();
    sockaddr_un address;
    if (!socketAddress(path, address)) {
        m_problem =
            QStringLiteral("Часы не могут принимать команды: путь «%1» слишком длинный.").arg(path);
        return;
    }
    const int fd = newSocket();
    if (fd < 0) {
        m_problem =
            QStringLiteral("Часы не могут принимать команды: %1").arg(qt_error_string(errno));
        return;
    }
    // What a holder that died left behind: the lock is ours now, so nobody
    // else listens there.
    ::unlink(address.sun_path);
    // Only this user may connect, whatever the umask: Linux gives the file
    // the mode of the socket it is bound from.
    ::fchmod(fd, 0600);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        m_problem =
            QStringLiteral("Часы не могут принимать команды: %1").arg(qt_error_string(errno));
        ::close(fd);
        return;
    }
    m_listener = fd;
    m_listenerNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_listenerNotifier, &QSocketNotifier::activated, this, &SingleInstance::accept);
}

void SingleInstance::stopListening()
{
    // Accepted requests can still be answered.
    if (m_listener < 0)
        return;
    delete m_listenerNotifier;
    m_listenerNotifier = nullptr;
    ::close(m_listener);
    m_listener = -1;
    ::unlink(QFile::encodeName(socketPath()).constData());
}

void SingleInstance::release()
{
    stopListening();
    // Requests not answered yet go with their connections.
    qDeleteAll(findChildren<InstanceConnection*>(QString(), Qt::FindDirectChildrenOnly));
    m_lock.reset(); // removes the lock file
}

void SingleInstance::accept()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: all taken; else out of descriptors, tried again at the next start
        }
        auto* connection = new InstanceConnection(fd, this);
        QTimer::singleShot(kIdleConnection, connection, &InstanceConnection::abort);
        connect(connection->notifier(), &QSocketNotifier::activated, this,
                [this, connection] { read(connection); });
    }
}

void SingleInstance::read(InstanceConnection* connection)
{
    if (!connection->isOpen())
        return;
    // One request per connection; what follows it is read only to be dropped,
    // so that the start hanging up is still seen.
    QByteArray discarded;
    QByteArray& buffer = connection->hasRequest() ? discarded : connection->buffer();
    if (receive(connection->fd(), buffer) == Received::End) {
        connection->abort(); // a start gone mid-message, or one that stopped waiting
        return;
    }
    if (connection->hasRequest())
        return;
    QStringList message;
    switch (handover::decode(buffer, message)) {
    case handover::Decoded::Incomplete:
        return;
    case handover::Decoded::Malformed:
        connection->abort();
        return;
    case handover::Decoded::Complete:
        break;
    }
    QStringList arguments;
    if (!handover::readRequest(message, arguments)) {
        connection->abort();
        return;
    }
    buffer = QByteArray();
    connection->setHasRequest();
    Q_EMIT requestReceived(new InstanceRequest(std::move(arguments), connection));
}

SingleInstance::Delivery SingleInstance::handOver(const QStringList& arguments,
                                                  std::chrono::milliseconds timeout,
                                                  Answer& answer) const
{
    sockaddr_un address;
    if (m_dir.isEmpty() || !socketAddress(socketPath(), address))
        return Delivery::NotDelivered;
    const QDeadlineTimer deadline(timeout);
    const int fd = newSocket();
    if (fd < 0)
        return Delivery::NotDelivered;
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    // A local connect completes at once, or fails at once; EAGAIN is a full
    // queue of starts not yet accepted, which is tried again.
    while (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN || deadline.hasExpired())
            return Delivery::NotDelivered;
        QThread::msleep(10);
    }
    switch (sendAll(fd, handover::encode(handover::requestMessage(arguments)), deadline)) {
    case Sent::All:
        break;
    case Sent::TimedOut:
        return Delivery::NoAnswer;
    case Sent::Broken:
        return Delivery::NotDelivered;
    }
    QByteArray buffer;
    QStringList message;
    for (;;) {
        const Received received = receive(fd, buffer);
        switch (handover::decode(buffer, message)) {
        case handover::Decoded::Complete:
            return handover::readAnswer(message, answer.status, answer.message)
                       ? Delivery::Answered
                       : Delivery::NoAnswer;
        case handover::Decoded::Malformed:
            return Delivery::NoAnswer;
        case handover::Decoded::Incomplete:
            break;
        }
        if (received == Received::End || deadline.hasExpired())
            return Delivery::NoAnswer;
        waitFor(fd, POLLIN, deadline);
    }
}

SingleInstance::Decision SingleInstance::start(const QStringList& arguments, bool takeOver)
{
    const QString noAnswer = QStringLiteral("Часы этой папки уже запущены, но не отвечают.");
    QStringList request = arguments;
    if (takeOver) {
        if (claim(m_takeOverWait))
            return {Decision::Run, {}};
        if (!m_problem.isEmpty() || m_dir.isEmpty())
            return {Decision::Unguarded, {0, m_problem}};
        // The closing clock did not end after all: show it rather than run beside it.
        request.clear();
    }
    const QDeadlineTimer deadline(m_answerWait);
    for (;;) {
        if (claim())
            return {Decision::Run, {}};
        if (!m_problem.isEmpty() || m_dir.isEmpty())
            return {Decision::Unguarded, {0, m_problem}};
        Answer answer;
        switch (handOver(request, std::chrono::milliseconds(milliseconds(deadline)), answer)) {
        case Delivery::Answered:
            return {Decision::HandedOver, answer};
        case Delivery::NoAnswer:
            // A command may have been carried out all the same: never send it twice.
            if (!request.isEmpty())
                return {Decision::NoAnswer, {0, noAnswer}};
            break;
        case Delivery::NotDelivered:
            // Starting, or ending: it listens in a moment, or the lock is free.
            break;
        }
        if (deadline.hasExpired())
            return {Decision::NoAnswer, {0, noAnswer}};
        QThread::msleep(kPoll.count());
    }
}

} // namespace zentari
