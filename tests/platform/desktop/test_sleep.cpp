#include "platform/sleep_logind.h"
#include "platform/wallclockwatch_linux.h"

#include "dbusmocks.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QElapsedTimer>

#include <cerrno>

using namespace zentari;
using namespace zentari::test;

// logind is python3-dbusmock's own logind template on a private system bus:
// its Inhibit hands out a real pipe and lists the lock until the last copy of
// that descriptor is closed, as logind does.
namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString gnome = QStringLiteral("org.gnome.SessionManager");
const QString gnomePath = QStringLiteral("/org/gnome/SessionManager");
const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

const QString shutdownAt = QStringLiteral("Выключение компьютера в 23:30:00");
const QString rebootAt = QStringLiteral("Перезагрузка компьютера в 07:00:00");

struct Lock
{
    QString what, who, why, mode;
    friend bool operator==(const Lock&, const Lock&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Lock& l)
    {
        return out << (QStringList{l.what, l.who, l.why, l.mode}.join(u'|')).toStdString();
    }
};

class SleepServiceTest : public PrivateBusTest
{
protected:
    void startLogind() { startMock(QStringLiteral("logind"), login1, systemBus()); }
    void startGnome()
    {
        startMock(QDir(QStringLiteral(ZENTARI_MOCK_DIR))
                      .filePath(QStringLiteral("mock_gnome_session.py")),
                  gnome, sessionBus());
    }
    void startScreenSaver()
    {
        startMock(
            QDir(QStringLiteral(ZENTARI_MOCK_DIR)).filePath(QStringLiteral("mock_screensaver.py")),
            screenSaver, sessionBus());
    }

    // The locks logind holds now, as `systemd-inhibit --list` would show them.
    static QList<Lock> locks()
    {
        const QDBusMessage reply = systemBus().call(QDBusMessage::createMethodCall(
            login1, login1Path, login1Manager, QStringLiteral("ListInhibitors")));
        QList<Lock> result;
        if (reply.type() != QDBusMessage::ReplyMessage)
            return result;
        const auto list = reply.arguments().value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            Lock lock;
            quint32 uid = 0, pid = 0;
            list.beginStructure();
            list >> lock.what >> lock.who >> lock.why >> lock.mode >> uid >> pid;
            list.endStructure();
            result.append(lock);
        }
        list.endArray();
        return result;
    }
    static QList<Lock> locksOfMode(const QString& mode)
    {
        QList<Lock> result;
        for (const Lock& lock : locks()) {
            if (lock.mode == mode)
                result.append(lock);
        }
        return result;
    }
    static bool holdsDelayLock()
    {
        const QList<Lock> delay = locksOfMode(QStringLiteral("delay"));
        return delay.size() == 1 && delay[0].what == QLatin1String("sleep") &&
               delay[0].who == QLatin1String("Zentari") && !delay[0].why.isEmpty();
    }
    static Lock awakeLock(const QString& why)
    {
        return {QStringLiteral("sleep:idle"), QStringLiteral("Zentari"), why,
                QStringLiteral("block")};
    }

    static void prepareForSleep(bool starting)
    {
        const QDBusMessage reply =
            systemBus().call(QDBusMessage::createMethodCall(
                                 login1, login1Path, QStringLiteral("org.freedesktop.DBus.Mock"),
                                 QStringLiteral("EmitSignal"))
                             << login1Manager << QStringLiteral("PrepareForSleep")
                             << QStringLiteral("b") << QVariant(QVariantList{starting}));
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    // Another program's lock, held until the descriptor goes.
    static QDBusUnixFileDescriptor inhibitAsAnotherProgram(const QString& what, const QString& who,
                                                           const QString& why, const QString& mode)
    {
        const QDBusMessage reply =
            systemBus().call(QDBusMessage::createMethodCall(login1, login1Path, login1Manager,
                                                            QStringLiteral("Inhibit"))
                             << what << who << why << mode);
        return reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    }
};

struct Signals
{
    explicit Signals(SleepService& service)
    {
        QObject::connect(&service, &SleepService::aboutToSleep, [this] { ++sleeping; });
        QObject::connect(&service, &SleepService::resumed, [this] { ++resumed; });
        QObject::connect(&service, &SleepService::clockSet, [this] { ++clockSet; });
        QObject::connect(&service, &SleepService::unavailable,
                         [this](const QString& reason) { unavailable.append(reason); });
    }
    int sleeping = 0;
    int resumed = 0;
    int clockSet = 0;
    QStringList unavailable;
};

} // namespace

TEST_F(SleepServiceTest, SleepWaitsForTheClocksAnswerAndTheLockIsTakenAgainAfterResume)
{
    startLogind();
    LogindSleepService service;
    Signals seen(service);
    service.start();
    ASSERT_TRUE(waitUntil([&] { return holdsDelayLock() && service.holdsSleepDelay(); }));

    prepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return seen.sleeping == 1; }));
    // The machine waits for the clock: the lock stays while its work goes on.
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(holdsDelayLock());

    service.sleepWorkDone();
    EXPECT_TRUE(waitUntil([] { return locksOfMode(QStringLiteral("delay")).isEmpty(); }));
    EXPECT_FALSE(service.holdsSleepDelay());
    service.sleepWorkDone(); // a second answer changes nothing

    prepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return seen.resumed == 1; }));
    EXPECT_TRUE(waitUntil([&] { return holdsDelayLock() && service.holdsSleepDelay(); }));
    EXPECT_EQ(seen.sleeping, 1);
    EXPECT_TRUE(seen.unavailable.isEmpty());
}

TEST_F(SleepServiceTest, AnUnansweredSleepNoticeLetsTheMachineSleepBeforeLogindGivesUp)
{
    startLogind();
    LogindSleepService service;
    service.start();
    // The mock lists the lock before our answer is read: a notice read before
    // it would, rightly, let the late lock go at once.
    ASSERT_TRUE(waitUntil([&] { return holdsDelayLock() && service.holdsSleepDelay(); }));
    QElapsedTimer elapsed;
    elapsed.start();
    prepareForSleep(true);
    ASSERT_TRUE(waitUntil([] { return locksOfMode(QStringLiteral("delay")).isEmpty(); },
                          LogindSleepService::sleepWorkTimeoutMs + 2000));
    EXPECT_GE(elapsed.elapsed(), LogindSleepService::sleepWorkTimeoutMs - 500);
    EXPECT_LT(elapsed.elapsed(), 5000); // logind's own limit
}

TEST_F(SleepServiceTest, HoldingAwakeTakesABlockLockAndTheSessionsInhibitorAndLetsBothGo)
{
    startLogind();
    startGnome();
    LogindSleepService service;
    service.holdAwake(shutdownAt);
    EXPECT_EQ(service.awakeReason(), shutdownAt);
    ASSERT_TRUE(waitUntil([] { return locks() == QList<Lock>{awakeLock(shutdownAt)}; }))
        << ::testing::PrintToString(locks());
    ASSERT_TRUE(waitUntil([] { return !mockCalls(sessionBus(), gnome, gnomePath).isEmpty(); }));
    QList<MockCall> session = mockCalls(sessionBus(), gnome, gnomePath);
    ASSERT_EQ(methods(session), QStringList({QStringLiteral("Inhibit")}));
    // Suspend only (4): the screen may still blank while the clock waits.
    EXPECT_EQ(session[0].args, QVariantList({QStringLiteral("zentari"), 0u, shutdownAt, 4u}));

    service.holdAwake(shutdownAt); // the same: nothing is asked again
    service.holdAwake(QString());  // no text: nothing either
    service.holdAwake(rebootAt);
    EXPECT_EQ(service.awakeReason(), rebootAt);
    ASSERT_TRUE(waitUntil([] { return locks() == QList<Lock>{awakeLock(rebootAt)}; }))
        << ::testing::PrintToString(locks());
    ASSERT_TRUE(waitUntil([] { return mockCalls(sessionBus(), gnome, gnomePath).size() == 3; }));
    session = mockCalls(sessionBus(), gnome, gnomePath);
    EXPECT_EQ(methods(session), QStringList({QStringLiteral("Inhibit"), QStringLiteral("Inhibit"),
                                             QStringLiteral("Uninhibit")}));
    EXPECT_EQ(session[1].args.value(2).toString(), rebootAt);
    EXPECT_EQ(session[2].args, QVariantList({1u})); // the first cookie goes once the second came

    service.releaseAwake();
    EXPECT_EQ(service.awakeReason(), QString());
    EXPECT_TRUE(waitUntil([] { return locks().isEmpty(); })) << ::testing::PrintToString(locks());
    ASSERT_TRUE(waitUntil([] { return mockCalls(sessionBus(), gnome, gnomePath).size() == 4; }));
    EXPECT_EQ(mockCalls(sessionBus(), gnome, gnomePath)[3].args, QVariantList({2u}));
}

TEST_F(SleepServiceTest, WithoutGnomeTheScreenSaversInhibitorIsHeld)
{
    startLogind();
    startScreenSaver();
    LogindSleepService service;
    service.holdAwake(shutdownAt);
    ASSERT_TRUE(
        waitUntil([] { return !mockCalls(sessionBus(), screenSaver, screenSaverPath).isEmpty(); }));
    EXPECT_EQ(mockCalls(sessionBus(), screenSaver, screenSaverPath)[0].args,
              QVariantList({QStringLiteral("Zentari"), shutdownAt}));
    service.releaseAwake();
    ASSERT_TRUE(waitUntil(
        [] { return mockCalls(sessionBus(), screenSaver, screenSaverPath).size() == 2; }));
    const MockCall release = mockCalls(sessionBus(), screenSaver, screenSaverPath)[1];
    EXPECT_EQ(release.method, QStringLiteral("UnInhibit"));
    EXPECT_EQ(release.args, QVariantList({1u}));
    EXPECT_TRUE(waitUntil([] { return locks().isEmpty(); }));
}

TEST_F(SleepServiceTest, ALockGrantedAfterItWasNoLongerWantedIsLetGoAtOnce)
{
    startLogind();
    startGnome();
    LogindSleepService service;
    service.holdAwake(shutdownAt);
    service.releaseAwake(); // before any answer came
    ASSERT_TRUE(waitUntil([] { return mockCalls(sessionBus(), gnome, gnomePath).size() == 2; }));
    EXPECT_EQ(methods(mockCalls(sessionBus(), gnome, gnomePath)),
              QStringList({QStringLiteral("Inhibit"), QStringLiteral("Uninhibit")}));
    EXPECT_TRUE(waitUntil([] { return locks().isEmpty(); })) << ::testing::PrintToString(locks());

    service.holdAwake(shutdownAt);
    service.holdAwake(rebootAt); // replaced before the first was granted
    ASSERT_TRUE(waitUntil([] { return locks() == QList<Lock>{awakeLock(rebootAt)}; }))
        << ::testing::PrintToString(locks());
}

TEST_F(SleepServiceTest, ProgramsTheClockStartsDoNotKeepItsLocks)
{
    startLogind();
    LogindSleepService service;
    Signals seen(service);
    service.start();
    ASSERT_TRUE(waitUntil([&] { return service.holdsSleepDelay(); }));

    // An action's program runs on after the clock let go of the lock.
    QProcess program;
    program.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(program.waitForStarted());
    prepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return seen.sleeping == 1; }));
    service.sleepWorkDone();
    EXPECT_TRUE(waitUntil([] { return locks().isEmpty(); })) << ::testing::PrintToString(locks());
    program.kill();
    program.waitForFinished();
}

TEST_F(SleepServiceTest, TheWarningNamesOnlyOtherProgramsThatHoldOffAShutdown)
{
    startLogind();
    const QList<QDBusUnixFileDescriptor> others = {
        inhibitAsAnotherProgram(QStringLiteral("shutdown"), QStringLiteral("Загрузчик"),
                                QStringLiteral("Идёт загрузка файла"), QStringLiteral("block")),
        inhibitAsAnotherProgram(QStringLiteral("sleep:shutdown:idle"), QStringLiteral("apt"),
                                QStringLiteral("Обновление системы"), QStringLiteral("block")),
        inhibitAsAnotherProgram(QStringLiteral("shutdown"), QStringLiteral("NetworkManager"),
                                QStringLiteral("Отключение сети"), QStringLiteral("delay")),
        inhibitAsAnotherProgram(QStringLiteral("sleep"), QStringLiteral("Плеер"),
                                QStringLiteral("Воспроизведение"), QStringLiteral("block")),
    };
    LogindSleepService service;
    service.start();
    service.holdAwake(shutdownAt);
    ASSERT_TRUE(waitUntil([] { return locks().size() == 6; }));

    QObject context;
    std::optional<QList<ShutdownBlocker>> answer;
    service.listShutdownBlockers(
        &context, [&](const QList<ShutdownBlocker>& blockers) { answer = blockers; });
    EXPECT_FALSE(answer) << "answered before the bus did";
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, QList<ShutdownBlocker>(
                           {{QStringLiteral("Загрузчик"), QStringLiteral("Идёт загрузка файла")},
                            {QStringLiteral("apt"), QStringLiteral("Обновление системы")}}));
}

TEST_F(SleepServiceTest, WithoutLogindOneReasonIsGivenAndALogindThatComesLaterIsUsed)
{
    LogindSleepService service;
    Signals seen(service);
    service.start();
    service.start();
    service.holdAwake(shutdownAt);
    ASSERT_TRUE(waitUntil([&] { return !seen.unavailable.isEmpty(); }));
    EXPECT_EQ(seen.unavailable,
              QStringList({QStringLiteral("Часы не узнают о сне и пробуждении компьютера: служба "
                                          "systemd-logind недоступна.")}));

    std::optional<QList<ShutdownBlocker>> answer;
    service.listShutdownBlockers(
        &service, [&](const QList<ShutdownBlocker>& blockers) { answer = blockers; });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_TRUE(answer->isEmpty());

    startLogind();
    EXPECT_TRUE(waitUntil([&] { return service.holdsSleepDelay(); }));
    EXPECT_TRUE(waitUntil([] { return locks().contains(awakeLock(shutdownAt)); }))
        << ::testing::PrintToString(locks());
    EXPECT_EQ(seen.unavailable.size(), 1);
}

TEST_F(SleepServiceTest, AnUnreachableBusIsReportedOnceAndNothingElseHappens)
{
    const auto nowhere = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/zentari-bus"), QStringLiteral("zentari-nowhere"));
    LogindSleepService service(nowhere, nowhere);
    Signals seen(service);
    service.start();
    service.holdAwake(shutdownAt);
    service.sleepWorkDone();
    service.releaseAwake();
    std::optional<QList<ShutdownBlocker>> answer;
    service.listShutdownBlockers(
        &service, [&](const QList<ShutdownBlocker>& blockers) { answer = blockers; });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_TRUE(answer->isEmpty());
    EXPECT_EQ(seen.unavailable,
              QStringList({QStringLiteral("Часы не узнают о сне и пробуждении компьютера: нет "
                                          "связи с системной шиной D-Bus.")}));
}

// The machine's clock is never set by a test: the watch is checked to be
// armed, and its handling of what a read returns is driven directly.
TEST(WallClockWatchTest, IsArmedForTheClockBeingSet)
{
    WallClockWatch watch;
    EXPECT_TRUE(watch.isWatching());
}

TEST(WallClockWatchTest, EachReadingIsUnderstood)
{
    using R = WallClockWatch::Reading;
    EXPECT_EQ(WallClockWatch::interpret(-1, ECANCELED), R::ClockSet);
    EXPECT_EQ(WallClockWatch::interpret(8, 0), R::Expired);
    EXPECT_EQ(WallClockWatch::interpret(-1, EAGAIN), R::Nothing);
    EXPECT_EQ(WallClockWatch::interpret(-1, EINTR), R::Nothing);
    EXPECT_EQ(WallClockWatch::interpret(-1, EBADF), R::Failed);
    EXPECT_EQ(WallClockWatch::interpret(0, 0), R::Failed);
    EXPECT_EQ(WallClockWatch::interpret(4, 0), R::Failed);
}

TEST(WallClockWatchTest, ASetClockIsSignalledAndTheWatchGoesOn)
{
    WallClockWatch watch;
    int sets = 0;
    QObject::connect(&watch, &WallClockWatch::clockSet, [&] { ++sets; });
    watch.handle(WallClockWatch::Reading::ClockSet);
    EXPECT_EQ(sets, 1);
    EXPECT_TRUE(watch.isWatching());
    watch.handle(WallClockWatch::Reading::Expired);
    watch.handle(WallClockWatch::Reading::Nothing);
    EXPECT_EQ(sets, 1);
    EXPECT_TRUE(watch.isWatching());
    watch.handle(WallClockWatch::Reading::ClockSet);
    EXPECT_EQ(sets, 2);

    watch.handle(WallClockWatch::Reading::Failed);
    EXPECT_FALSE(watch.isWatching());
    watch.handle(WallClockWatch::Reading::ClockSet); // nothing left to arm: still told
    EXPECT_FALSE(watch.isWatching());
}

TEST_F(SleepServiceTest, TheServiceTellsOfTheClockBeingSet)
{
    LogindSleepService service;
    Signals seen(service);
    service.start();
    auto* watch = service.findChild<WallClockWatch*>();
    ASSERT_NE(watch, nullptr);
    EXPECT_TRUE(watch->isWatching());
    watch->handle(WallClockWatch::Reading::ClockSet);
    EXPECT_EQ(seen.clockSet, 1);
}
