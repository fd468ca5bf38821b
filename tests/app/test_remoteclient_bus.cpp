// The `Zentari` executable with a command against a clock on the session
// bus (a stand-in serving the interface's adaptor): what crosses the bus for
// each command, what the process prints and how it ends. Run under its own
// session bus (dbus-run-session).
#include "fakeclock.h"
#include "remote/commandline.h"
#include "remote/dbustypes.h"
#include "support/printers.h"
#include "zentariadaptor.h"

#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace zentari::remote;
using namespace std::chrono_literals;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Ended
{
    int status = -1;
    QString out;
    QString err;
};

class BusClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerDBusTypes();
        m_bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(m_bus.isConnected()) << "no session bus: run under dbus-run-session";
        // The stand-in is the clock of a throw-away program folder: it holds
        // that folder's lock, as a clock on the bus does, so the command goes
        // to it and never to the lists beside the build's executable.
        m_program = m_folder.path() + QStringLiteral("/Zentari");
        ASSERT_TRUE(QFile::copy(QStringLiteral(ZENTARI_EXECUTABLE), m_program));
        ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("data")));
        m_instance =
            std::make_unique<zentari::SingleInstance>(m_folder.path() + u'/', m_runtime.path());
        ASSERT_TRUE(m_instance->claim());
        new ZentariAdaptor(&m_clock);
        ASSERT_TRUE(m_bus.registerObject(kObjectPath.toString(), &m_clock));
        ASSERT_TRUE(m_bus.registerService(kServiceName.toString()));
    }
    void TearDown() override
    {
        m_bus.unregisterService(kServiceName.toString());
        m_bus.unregisterObject(kObjectPath.toString());
    }

    // The executable with these arguments, the stand-in answering meanwhile.
    Ended run(std::initializer_list<const char*> arguments)
    {
        QStringList list;
        for (const char* a : arguments)
            list.append(s(a));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        process.setProcessEnvironment(env);
        process.start(m_program, list);
        const QDeadlineTimer deadline(20s);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            process.waitForFinished(5);
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    FakeClock m_clock;
    QDBusConnection m_bus{QString()};
    QTemporaryDir m_runtime;
    QTemporaryDir m_folder;
    QString m_program;
    std::unique_ptr<zentari::SingleInstance> m_instance;
};

} // namespace

TEST_F(BusClient, EveryCommandIsOneCallOfTheRunningClock)
{
    m_clock.actions = {{s("07.12.2026 10:30:00"),
                        0,
                        s("/home/анна/звонок.mp3"),
                        s("07.12.2026"),
                        s("10:30:00"),
                        1,
                        {}}};
    m_clock.reminders = {{s("Врач07.12.2026"), s("Врач"), s("07.12.2026"), s("9:05:00")}};

    Ended e = run({"--list"});
    EXPECT_EQ(e.status, Done) << e.err.toStdString();
    EXPECT_EQ(e.out,
              s("action\t07.12.2026 10:30:00\t07.12.2026\t10:30:00\t0\t/home/анна/звонок.mp3\n"
                "reminder\tВрач07.12.2026\t07.12.2026\t9:05:00\tВрач\n"));

    EXPECT_EQ(
        run({"--action", "1", "08.12.2026", "7:00", ZENTARI_EXECUTABLE, "--days", "4,2"}).status,
        Done);
    EXPECT_EQ(run({"--remind", "8.12.2026", "09:05:00", "Обед", "В столовой"}).status, Done);
    EXPECT_EQ(run({"--remove", "07.12.2026", "10:30:00"}).status, Done);
    EXPECT_EQ(run({"--remove", "Врач07.12.2026"}).status, Done);
    EXPECT_EQ(run({"--in", "5"}).status, Done);
    EXPECT_EQ(run({"--stop-sound"}).status, Done);
    // The stand-in cannot read its conf.ini: the clock's message, and the
    // status of lists or files that failed.
    e = run({"--reload-options"});
    EXPECT_EQ(e.status, StoreFailed);
    EXPECT_EQ(e.err, s("Файл «conf.ini» не читается.\n"));
    EXPECT_EQ(m_clock.calls,
              (QStringList{s("ListActions"), s("ListReminders"),
                           s("AddAction|1|" ZENTARI_EXECUTABLE "|08.12.2026|7:00:00|3|2,4"),
                           s("AddReminder|Обед|В столовой|08.12.2026|9:05:00"), s("ListActions"),
                           s("ListReminders"), s("RemoveAction|07.12.2026 10:30:00"),
                           s("ListActions"), s("ListReminders"), s("RemoveReminder|Врач07.12.2026"),
                           s("StartTemplate|5"), s("StopSound"), s("ReloadOptions")}));

    // With protection on the password window opens on the clock's desktop:
    // not a failure, but said.
    e = run({"--abort"});
    EXPECT_EQ(e.status, Done);
    EXPECT_TRUE(e.err.contains(s("парол"))) << e.err.toStdString();

    // An id neither list holds is refused before anything is removed.
    m_clock.calls.clear();
    e = run({"--remove", "Нет такого"});
    EXPECT_EQ(e.status, BadArguments);
    EXPECT_TRUE(e.err.contains(s("«Нет такого»"))) << e.err.toStdString();
    EXPECT_EQ(m_clock.calls, (QStringList{s("ListActions"), s("ListReminders")}));

    // A call the bus itself refuses (no object behind the name any more):
    // its message, and the status of a failure that is not the caller's.
    m_bus.unregisterObject(kObjectPath.toString());
    e = run({"--stop-sound"});
    EXPECT_EQ(e.status, StoreFailed);
    EXPECT_FALSE(e.err.isEmpty());
}
