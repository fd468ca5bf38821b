#include "singleinstance.h"

#include "handovermessage.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace zentari {
namespace {

using namespace std::chrono_literals;

// A start that connects and then says nothing is not kept for the whole day.
constexpr auto kIdleConnection = 60s;
// How often a start that waits asks for the lock or the socket again.
constexpr auto kPoll = 50ms;

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

} // namespace

InstanceRequest::InstanceRequest(QStringList arguments, QLocalSocket* socket)
    : QObject(socket), m_arguments(std::move(arguments)), m_socket(socket)
{
}

void InstanceRequest::answer(int status, const QString& message)
{
    if (m_answered)
        return;
    m_answered = true;
    if (m_socket->state() != QLocalSocket::ConnectedState)
        return;
    m_socket->write(handover::encode(handover::answerMessage(status, message)));
    // Out at once: the answer to "quit" is followed by the end of the process.
    m_socket->flush();
    m_socket->disconnectFromServer();
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
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // What a holder that died left behind: the lock is ours now, so nobody
    // else listens there.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath())) {
        m_problem =
            QStringLiteral("Часы не могут принимать команды: %1").arg(m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

void SingleInstance::stopListening()
{
    if (m_server)
        m_server->close(); // removes the socket file; accepted requests can still be answered
}

void SingleInstance::release()
{
    stopListening();
    delete m_server;
    m_server = nullptr;
    m_lock.reset(); // removes the lock file
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kIdleConnection, socket, &QLocalSocket::abort);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, buffer] { read(socket, *buffer); });
    }
}

void SingleInstance::read(QLocalSocket* socket, QByteArray& buffer)
{
    // One request per connection; what follows it is not read.
    if (socket->findChild<InstanceRequest*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    buffer += socket->readAll();
    QStringList message;
    switch (handover::decode(buffer, message)) {
    case handover::Decoded::Incomplete:
        return;
    case handover::Decoded::Malformed:
        socket->abort();
        return;
    case handover::Decoded::Complete:
        break;
    }
    QStringList arguments;
    if (!handover::readRequest(message, arguments)) {
        socket->abort();
        return;
    }
    buffer = QByteArray();
    Q_EMIT requestReceived(new InstanceRequest(std::move(arguments), socket));
}

SingleInstance::Delivery SingleInstance::handOver(const QStringList& arguments,
                                                  std::chrono::milliseconds timeout,
                                                  Answer& answer) const
{
    if (m_dir.isEmpty())
        return Delivery::NotDelivered;
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(milliseconds(deadline)))
        return Delivery::NotDelivered;
    socket.write(handover::encode(handover::requestMessage(arguments)));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(milliseconds(deadline)))
            return socket.state() == QLocalSocket::ConnectedState ? Delivery::NoAnswer
                                                                  : Delivery::NotDelivered;
    }
    QByteArray buffer;
    QStringList message;
    for (;;) {
        buffer += socket.readAll();
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
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return Delivery::NoAnswer;
        if (deadline.hasExpired())
            return Delivery::NoAnswer;
        socket.waitForReadyRead(milliseconds(deadline));
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
