#include "platform/handovermessage.h"
#include "platform/singleinstance.h"
#include "support/printers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace zentari;
using namespace std::chrono_literals;

namespace {

// Runs `work` on a thread of its own while this thread's event loop serves
// the instance that `work` talks to.
void whileServing(const std::function<void()>& work)
{
    std::atomic<bool> done = false;
    std::thread worker([&] {
        work();
        done = true;
    });
    const QDeadlineTimer deadline(30s);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker.join();
}

// Connects to `path` as any program of this user could, writes `bytes`, and
// tells whether the other end then hung up within five seconds.
bool hungUpAfter(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(native.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool hungUp = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size()) {
        pollfd p{fd, POLLIN, 0};
        char c;
        // End of stream, or a reset when it left some of the bytes unread.
        hungUp = ::poll(&p, 1, 5000) == 1 && ::recv(fd, &c, 1, 0) <= 0;
    }
    ::close(fd);
    return hungUp;
}

// The socket descriptors this process has open; inheritable: only those a
// program it started would get.
int sockets(bool inheritable)
{
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& name : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        const QByteArray link = QFile::encodeName(fds.filePath(name));
        if (::readlink(link.constData(), target, sizeof target - 1) > 0 &&
            std::strncmp(target, "socket:", 7) == 0 &&
            (!inheritable || (::fcntl(name.toInt(), F_GETFD) & FD_CLOEXEC) == 0))
            ++count;
    }
    return count;
}

// A private runtime folder and two program folders, one of them also reached
// through a link.
class Folders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid() && m_programs.isValid());
        ASSERT_TRUE(QDir(m_programs.path()).mkpath(QStringLiteral("часы")));
        ASSERT_TRUE(QDir(m_programs.path()).mkpath(QStringLiteral("other")));
        ASSERT_TRUE(QFile::link(program(), m_programs.filePath(QStringLiteral("link"))));
    }
    QString runtime() const { return m_runtime.path(); }
    QString program() const { return m_programs.filePath(QStringLiteral("часы")); }
    QString other() const { return m_programs.filePath(QStringLiteral("other")); }
    QString link() const { return m_programs.filePath(QStringLiteral("link")); }

    QTemporaryDir m_runtime;
    QTemporaryDir m_programs;
};

// ---------------------------------------------------------------------------
// Within one process.

using SingleInstanceTest = Folders;

TEST_F(SingleInstanceTest, OneFolderOneKeyWhateverItsSpelling)
{
    const QString key = SingleInstance::keyFor(program());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^zentari-[0-9a-f]{16}$")).match(key).hasMatch())
        << key.toStdString();
    EXPECT_EQ(SingleInstance::keyFor(program() + u'/'), key);
    EXPECT_EQ(SingleInstance::keyFor(link()), key);
    EXPECT_EQ(SingleInstance::keyFor(other() + QStringLiteral("/../часы")), key);
    EXPECT_NE(SingleInstance::keyFor(other()), key);

    SingleInstance instance(program(), runtime());
    EXPECT_EQ(instance.lockPath(), runtime() + u'/' + key + QStringLiteral(".lock"));
    EXPECT_EQ(instance.socketPath(), runtime() + u'/' + key + QStringLiteral(".socket"));
}

TEST_F(SingleInstanceTest, TheLockIsHeldUntilReleased)
{
    SingleInstance first(program(), runtime());
    SingleInstance second(link(), runtime());
    SingleInstance elsewhere(other(), runtime());
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(QFile::exists(first.lockPath()));
    EXPECT_TRUE(QFile::exists(first.socketPath()));

    EXPECT_FALSE(second.claim(200ms));
    EXPECT_TRUE(second.problem().isEmpty()); // held, which is no problem
    EXPECT_TRUE(elsewhere.claim());

    first.release();
    EXPECT_FALSE(QFile::exists(first.lockPath()));
    EXPECT_FALSE(QFile::exists(first.socketPath()));
    EXPECT_TRUE(second.claim());
}

TEST_F(SingleInstanceTest, ARequestIsAnsweredWhenTheClockIsReady)
{
    SingleInstance clock(program(), runtime());
    ASSERT_TRUE(clock.claim());
    QStringList received;
    QObject::connect(&clock, &SingleInstance::requestReceived, [&](InstanceRequest* request) {
        received = request->arguments();
        // Answered from the event loop later, as after a store change.
        QTimer::singleShot(300, request, [request] {
            request->answer(2, QStringLiteral("«32.12.2026» — недопустимая дата"));
            request->answer(0, QStringLiteral("second answer, not sent"));
        });
    });

    const QStringList arguments = {QStringLiteral("--remind"), QStringLiteral("32.12.2026"),
                                   QStringLiteral("9:00"), QStringLiteral("Врач"),
                                   QStringLiteral("строка\nвторая\tи 😀")};
    SingleInstance::Delivery delivery{};
    SingleInstance::Answer answer;
    whileServing([&] {
        SingleInstance start(link(), runtime());
        delivery = start.handOver(arguments, 10s, answer);
    });
    EXPECT_EQ(delivery, SingleInstance::Delivery::Answered);
    EXPECT_EQ(received, arguments);
    EXPECT_EQ(answer.status, 2);
    EXPECT_EQ(answer.message, u"«32.12.2026» — недопустимая дата");
}

TEST_F(SingleInstanceTest, DamagedRequestsAreDroppedAndTheClockAnswersOn)
{
    SingleInstance clock(program(), runtime());
    ASSERT_TRUE(clock.claim());
    int received = 0;
    QObject::connect(&clock, &SingleInstance::requestReceived, [&](InstanceRequest* request) {
        ++received;
        request->answer(0);
    });

    bool droppedGarbage = false, droppedHugeSize = false, droppedWrongKind = false;
    SingleInstance::Delivery delivery{};
    SingleInstance::Answer answer;
    whileServing([&] {
        auto dropped = [&](const QByteArray& bytes) {
            return hungUpAfter(clock.socketPath(), bytes);
        };
        droppedGarbage = dropped("GET / HTTP/1.0\r\n\r\n");
        // A size the clock would have to reserve gigabytes for.
        droppedHugeSize = dropped(QByteArray("ZNT1\xff\xff\xff\xf0", 8));
        // A well-formed message that is no request.
        droppedWrongKind = dropped(QByteArray("ZNT1\0\0\0\x0c\0\0\0\x01\0\0\0\x04quit", 20));
        SingleInstance start(program(), runtime());
        delivery = start.handOver({}, 10s, answer);
    });
    EXPECT_TRUE(droppedGarbage);
    EXPECT_TRUE(droppedHugeSize);
    EXPECT_TRUE(droppedWrongKind);
    EXPECT_EQ(delivery, SingleInstance::Delivery::Answered);
    EXPECT_EQ(received, 1);
}

TEST_F(SingleInstanceTest, AStartThatStopsWaitingLeavesTheClockUnharmed)
{
    SingleInstance clock(program(), runtime());
    ASSERT_TRUE(clock.claim());
    QPointer<InstanceRequest> pending;
    QObject::connect(&clock, &SingleInstance::requestReceived,
                     [&](InstanceRequest* request) { pending = request; });
    SingleInstance::Delivery delivery{};
    SingleInstance::Answer answer;
    whileServing([&] {
        SingleInstance start(program(), runtime());
        delivery = start.handOver({QStringLiteral("--list")}, 300ms, answer);
    });
    EXPECT_EQ(delivery, SingleInstance::Delivery::NoAnswer);
    // Answering a start that is gone does nothing, whenever it comes.
    const QDeadlineTimer deadline(5s);
    while (pending && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (pending)
        pending->answer(0);
    EXPECT_FALSE(pending) << "the request outlived its connection";
}

TEST_F(SingleInstanceTest, NobodyListeningIsNotADelivery)
{
    SingleInstance start(program(), runtime());
    SingleInstance::Answer answer;
    EXPECT_EQ(start.handOver({}, 2s, answer), SingleInstance::Delivery::NotDelivered);
}

TEST_F(SingleInstanceTest, TheSocketIsTheUsersAloneWhateverTheUmask)
{
    const mode_t saved = ::umask(0);
    SingleInstance clock(program(), runtime());
    const bool claimed = clock.claim();
    ::umask(saved);
    ASSERT_TRUE(claimed);
    EXPECT_TRUE(clock.problem().isEmpty()) << clock.problem().toStdString();
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(clock.socketPath()).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SingleInstanceTest, AStartGoneMidMessageIsForgottenAndNothingIsInherited)
{
    const int before = sockets(true);
    const int open = sockets(false);
    SingleInstance clock(program(), runtime());
    ASSERT_TRUE(clock.claim());
    int received = 0;
    int inheritedDuringRequest = -1;
    QObject::connect(&clock, &SingleInstance::requestReceived, [&](InstanceRequest* request) {
        ++received;
        // The listening and the accepted socket are both open now; programs
        // the clock starts must get neither.
        inheritedDuringRequest = sockets(true);
        request->answer(0);
    });
    const QByteArray whole = handover::encode(handover::requestMessage({QStringLiteral("--list")}));
    bool halfSent = false;
    SingleInstance::Delivery delivery{};
    SingleInstance::Answer answer;
    whileServing([&] {
        // Half a request, then the start dies: there is nothing to answer.
        const QByteArray native = QFile::encodeName(clock.socketPath());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        halfSent =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            ::send(fd, whole.constData(), size_t(whole.size() / 2), MSG_NOSIGNAL) > 0;
        QThread::msleep(100);
        ::close(fd);
        SingleInstance start(program(), runtime());
        delivery = start.handOver({}, 10s, answer);
    });
    EXPECT_TRUE(halfSent);
    EXPECT_EQ(delivery, SingleInstance::Delivery::Answered);
    EXPECT_EQ(received, 1);
    EXPECT_EQ(inheritedDuringRequest, before);
    // Both connections are closed on the clock's side: only it listens on.
    const QDeadlineTimer deadline(5s);
    while (sockets(false) != open + 1 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(sockets(false), open + 1);
}

TEST_F(SingleInstanceTest, ASocketPathTooLongForTheSystemIsAProblem)
{
    // sun_path holds 108 bytes; the lock file has no such limit.
    QString deep = runtime();
    while (deep.size() < 120)
        deep += QStringLiteral("/каталог");
    ASSERT_TRUE(QDir().mkpath(deep));
    SingleInstance clock(program(), deep);
    EXPECT_TRUE(clock.claim()); // still the folder's one clock
    EXPECT_TRUE(clock.isClaimed());
    EXPECT_TRUE(clock.problem().contains(clock.socketPath())) << clock.problem().toStdString();
    EXPECT_FALSE(QFile::exists(clock.socketPath()));

    SingleInstance start(program(), deep);
    SingleInstance::Answer answer;
    EXPECT_EQ(start.handOver({}, 1s, answer), SingleInstance::Delivery::NotDelivered);
    EXPECT_FALSE(start.claim());
}

// The runtime folder: $XDG_RUNTIME_DIR when only this user may enter it, else
// a folder of our own under the temp folder.
class RuntimeFolder : public Folders
{
protected:
    void SetUp() override
    {
        Folders::SetUp();
        ASSERT_TRUE(m_temp.isValid());
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    }
    void TearDown() override
    {
        restore("XDG_RUNTIME_DIR", m_savedRuntime);
        restore("TMPDIR", m_savedTemp);
    }
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QString fallback() const
    {
        return m_temp.path() + QStringLiteral("/zentari-") + QString::number(::geteuid());
    }

    QTemporaryDir m_temp;
    QByteArray m_savedRuntime, m_savedTemp;
};

TEST_F(RuntimeFolder, TheSessionsRuntimeFolder)
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime()));
    SingleInstance instance(program());
    EXPECT_TRUE(instance.lockPath().startsWith(runtime() + u'/'));
    EXPECT_TRUE(instance.claim());
}

TEST_F(RuntimeFolder, WithoutOneAPrivateFolderUnderTheTempFolder)
{
    qunsetenv("XDG_RUNTIME_DIR");
    SingleInstance instance(program());
    ASSERT_TRUE(instance.claim()) << instance.problem().toStdString();
    EXPECT_TRUE(instance.lockPath().startsWith(fallback() + u'/'));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(fallback()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A runtime folder others may enter is not used either.
    const QString open = m_temp.filePath(QStringLiteral("open"));
    ASSERT_TRUE(QDir().mkdir(open));
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0755), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(open));
    EXPECT_TRUE(SingleInstance(program()).lockPath().startsWith(fallback() + u'/'));
}

TEST_F(RuntimeFolder, AFolderSomebodyElsePutThereIsNotTrusted)
{
    qunsetenv("XDG_RUNTIME_DIR");
    // What another user could have left at the fallback's name in a shared /tmp.
    ASSERT_TRUE(QFile::link(other(), fallback()));
    SingleInstance instance(program());
    EXPECT_FALSE(instance.claim());
    EXPECT_FALSE(instance.problem().isEmpty());
    EXPECT_EQ(instance.start({}).kind, SingleInstance::Decision::Unguarded);
}

// ---------------------------------------------------------------------------
// Real processes: the instance helper stands in for the clock.

class Helper
{
public:
    Helper(const QProcessEnvironment& environment, const QStringList& arguments)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ZENTARI_INSTANCE_HELPER), arguments);
    }
    ~Helper()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The first line so far that starts with `prefix`, waiting up to `wait` for it.
    QString line(const QString& prefix, std::chrono::milliseconds wait = 15s)
    {
        const QDeadlineTimer deadline(wait);
        for (;;) {
            readLines();
            for (const QString& l : std::as_const(m_lines)) {
                if (l.startsWith(prefix))
                    return l;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return {};
            m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
    }
    QStringList lines()
    {
        readLines();
        return m_lines;
    }
    // The exit status, or -1 when it did not end in time.
    int finish(std::chrono::milliseconds wait = 20s)
    {
        if (!m_process.waitForFinished(int(wait.count())))
            return -1;
        readLines();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    void kill()
    {
        m_process.kill(); // SIGKILL: no chance to let go of anything
        m_process.waitForFinished(5000);
    }

private:
    void readLines()
    {
        m_pending += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines.append(QString::fromUtf8(m_pending.left(end)));
            m_pending.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
};

class SingleInstanceProcesses : public Folders
{
protected:
    void SetUp() override
    {
        Folders::SetUp();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        m_environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    }
    QProcessEnvironment m_environment;
};

TEST_F(SingleInstanceProcesses, ASecondStartHandsItsRequestOverAndEnds)
{
    Helper clock(m_environment, {program()});
    ASSERT_FALSE(clock.line(QStringLiteral("running")).isEmpty());

    // A plain start shows the clock that runs and ends with 0.
    Helper plain(m_environment, {program()});
    EXPECT_EQ(plain.finish(), 0);
    EXPECT_EQ(plain.lines(), QStringList{QStringLiteral("answer 0 принято: (show)")});
    EXPECT_FALSE(clock.line(QStringLiteral("request (show)")).isEmpty());

    // A command goes over whole, its text's line break included, and the
    // start ends with the clock's answer.
    Helper command(m_environment, {program(), QStringLiteral("--remind"),
                                   QStringLiteral("07.12.2026"), QStringLiteral("9:05:00"),
                                   QStringLiteral("Врач"), QStringLiteral("строка\nвторая")});
    EXPECT_EQ(command.finish(), 7);
    EXPECT_EQ(command.lines(),
              QStringList{QStringLiteral(
                  "answer 7 принято: --remind|07.12.2026|9:05:00|Врач|строка\\nвторая")});
    EXPECT_FALSE(
        clock.line(QStringLiteral("request --remind|07.12.2026|9:05:00|Врач|строка\\nвторая"))
            .isEmpty());

    // The same folder reached through a link is the same clock.
    Helper viaLink(m_environment, {link()});
    EXPECT_EQ(viaLink.finish(), 0);
    // Another folder has a clock of its own.
    Helper elsewhere(m_environment, {other()});
    EXPECT_FALSE(elsewhere.line(QStringLiteral("running")).isEmpty());
    EXPECT_TRUE(clock.running());
}

TEST_F(SingleInstanceProcesses, TheLockOfAClockThatDiedIsTakenOver)
{
    Helper crashed(m_environment, {program()});
    const QString running = crashed.line(QStringLiteral("running"));
    ASSERT_FALSE(running.isEmpty());
    const QString lockPath = running.section(u' ', 2);
    crashed.kill();
    ASSERT_TRUE(QFile::exists(lockPath)); // left behind, with its socket

    Helper next(m_environment, {program()});
    EXPECT_FALSE(next.line(QStringLiteral("running"), 10s).isEmpty())
        << next.lines().join(u'\n').toStdString();
    // And it answers the starts after it on the socket the dead one left.
    Helper later(m_environment, {program()});
    EXPECT_EQ(later.finish(), 0);
    EXPECT_FALSE(next.line(QStringLiteral("request (show)")).isEmpty());
}

TEST_F(SingleInstanceProcesses, TheTakeOverWaitsUntilTheClosingClockHasEnded)
{
    Helper closing(m_environment, {program()});
    ASSERT_FALSE(closing.line(QStringLiteral("running")).isEmpty());

    // The restart of a clock closed without permission: it neither runs
    // beside the closing clock nor hands itself over to it.
    Helper restart(m_environment, {program(), QStringLiteral("--take-over")});
    EXPECT_TRUE(restart.line(QString(), 1500ms).isEmpty());
    EXPECT_TRUE(restart.running());
    EXPECT_TRUE(closing.line(QStringLiteral("request"), 200ms).isEmpty());

    Helper quit(m_environment, {program(), QStringLiteral("quit")});
    EXPECT_EQ(quit.finish(), 0);
    EXPECT_EQ(quit.lines(), QStringList{QStringLiteral("answer 0 bye")});
    // It runs as soon as the other has let go, and not before.
    EXPECT_FALSE(restart.line(QStringLiteral("running"), 5s).isEmpty());
    EXPECT_FALSE(closing.line(QStringLiteral("ending"), 5s).isEmpty());
    EXPECT_EQ(closing.finish(), 0);
    EXPECT_TRUE(restart.running());
}

TEST_F(SingleInstanceProcesses, ATakeOverShowsAClockThatDoesNotEnd)
{
    Helper clock(m_environment, {program()});
    ASSERT_FALSE(clock.line(QStringLiteral("running")).isEmpty());
    QProcessEnvironment impatient = m_environment;
    impatient.insert(QStringLiteral("ZENTARI_TEST_TAKE_OVER_MS"), QStringLiteral("700"));
    Helper restart(impatient, {program(), QStringLiteral("--take-over")});
    EXPECT_EQ(restart.finish(), 0);
    EXPECT_FALSE(clock.line(QStringLiteral("request (show)")).isEmpty());
    EXPECT_TRUE(clock.running());
}

TEST_F(SingleInstanceProcesses, AStartWaitsForAClockThatNoLongerListens)
{
    Helper closing(m_environment, {program()});
    ASSERT_FALSE(closing.line(QStringLiteral("running")).isEmpty());
    Helper stop(m_environment, {program(), QStringLiteral("stop-listening")});
    EXPECT_EQ(stop.finish(), 0);

    // The closing clock answers no more; a plain start waits for its lock.
    Helper next(m_environment, {program()});
    EXPECT_FALSE(next.line(QStringLiteral("running"), 10s).isEmpty());
    EXPECT_FALSE(closing.line(QStringLiteral("ending"), 5s).isEmpty());
    for (const QString& l : next.lines())
        EXPECT_FALSE(l.startsWith(u"answer")) << l.toStdString();
}

} // namespace
