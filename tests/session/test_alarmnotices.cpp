// The notifications beside a reminder's window and a ringing alarm, over the
// recording notification server; the session's tick and menu commands end them.
#include "platform/notifications_recording.h"
#include "session/alarmnotices.h"
#include "session/clocksession.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class Notices : public ::testing::Test
{
protected:
    FakeSystem sys;
    RecordingNotifications server{sys.log};
    QStringList calls;
    bool enabled = true;
    std::unique_ptr<AlarmNotices> notices;

    void SetUp() override { make(&server); }
    void make(Notifications* notifications)
    {
        const auto record = [this](const char* what) {
            return [this, what] { calls.append(QLatin1String(what)); };
        };
        notices = std::make_unique<AlarmNotices>(
            notifications, AlarmNotices::Links{.enabled = [this] { return enabled; },
                                               .snoozeReminder = record("snooze reminder"),
                                               .closeReminder = record("close reminder"),
                                               .raiseReminder = record("raise reminder"),
                                               .snoozeSound = record("snooze sound"),
                                               .stopSound = record("stop sound")});
    }
    QStringList keys(int posted) const
    {
        QStringList result;
        for (const NotificationAction& action : server.posted.at(posted).actions)
            result.append(action.key + u'=' + action.label);
        return result;
    }
};

TEST_F(Notices, AReminderGetsOneCriticalResidentNotificationWhoseButtonsReachItsWindow)
{
    notices->reminderShown(QStringLiteral("Врач"),
                           QStringLiteral("Напоминание на 10:40:00 08.12.2026\nЗапись к врачу\n"));
    EXPECT_TRUE(server.posted.isEmpty()) << "the server's capabilities come first";
    settle();
    ASSERT_EQ(server.posted.size(), 1);
    const Notification& note = server.posted[0];
    EXPECT_EQ(note.summary, QStringLiteral("Врач"));
    EXPECT_EQ(note.body, QStringLiteral("Напоминание на 10:40:00 08.12.2026\nЗапись к врачу"));
    EXPECT_EQ(note.urgency, Notification::Urgency::Critical);
    EXPECT_TRUE(note.resident);
    EXPECT_EQ(note.desktopEntry, QStringLiteral("zentari"));
    EXPECT_EQ(note.icon, QStringLiteral("zentari"));
    EXPECT_EQ(keys(0),
              QStringList({QStringLiteral("default=Показать"), QStringLiteral("snooze=Отложить"),
                           QStringLiteral("close=Закрыть")}));
    ASSERT_EQ(server.shown.size(), 1);
    const quint32 id = server.shown[0];

    // Someone else's notification is none of ours.
    server.simulateAction(id + 100, AlarmNotices::kSnooze);
    EXPECT_TRUE(calls.isEmpty());
    server.simulateAction(id, AlarmNotices::kDefault);
    server.simulateAction(id, AlarmNotices::kSnooze);
    server.simulateAction(id, AlarmNotices::kClose);
    EXPECT_EQ(calls,
              QStringList({QStringLiteral("raise reminder"), QStringLiteral("snooze reminder"),
                           QStringLiteral("close reminder")}));
    // The window closed (as the snooze closes it): the notification goes.
    notices->reminderEnded();
    EXPECT_TRUE(server.shown.isEmpty());
    EXPECT_EQ(sys.logged(QStringLiteral("notify-close")),
              QStringList{QStringLiteral("notify-close\t") + QString::number(id)});

    // The next reminder: the user dismisses its notification, which closes
    // the window; the window's closing then has nothing left to withdraw.
    calls.clear();
    notices->reminderShown(QStringLiteral("Обед"), QStringLiteral("Суп"));
    settle();
    ASSERT_EQ(server.shown.size(), 1);
    server.simulateDismiss(server.shown[0]);
    EXPECT_EQ(calls, QStringList{QStringLiteral("close reminder")});
    notices->reminderEnded();
    EXPECT_EQ(sys.logged(QStringLiteral("notify-close")).size(), 1);
}

TEST_F(Notices, AWindowClosedBeforeTheServerAnsweredTakesItsNotificationAlong)
{
    // Closed before even the capabilities came: nothing is posted.
    notices->reminderShown(QStringLiteral("Врач"), QStringLiteral("Текст"));
    notices->reminderEnded();
    settle();
    EXPECT_TRUE(server.posted.isEmpty());

    // Closed while the id is on its way: closed as soon as it arrives.
    notices->reminderShown(QStringLiteral("Врач"), QStringLiteral("Текст"));
    QCoreApplication::processEvents(); // the capabilities, and the notify sent
    ASSERT_EQ(server.posted.size(), 1);
    ASSERT_EQ(server.shown.size(), 1);
    notices->reminderEnded();
    settle();
    EXPECT_TRUE(server.shown.isEmpty());
    EXPECT_TRUE(calls.isEmpty()) << "closing it is not the user's dismissal";
}

TEST_F(Notices, TheAlarmSoundIsReplacedStoppedAndPutOffThroughItsNotification)
{
    notices->soundStarted(QStringLiteral("/home/user/Музыка/подъём.mp3"));
    settle();
    ASSERT_EQ(server.posted.size(), 1);
    EXPECT_EQ(server.posted[0].summary, QStringLiteral("Будильник"));
    EXPECT_EQ(server.posted[0].body, QStringLiteral("подъём.mp3"));
    EXPECT_EQ(server.posted[0].urgency, Notification::Urgency::Critical);
    EXPECT_EQ(keys(0),
              QStringList({QStringLiteral("snooze=Отложить"), QStringLiteral("stop=Остановить")}));
    const quint32 id = server.shown.value(0);

    // Another alarm while it rings: the same notification, with the new file.
    notices->soundStarted(QStringLiteral("data\\music.mp3"));
    settle();
    ASSERT_EQ(server.posted.size(), 2);
    EXPECT_EQ(server.posted[1].replaces, id);
    EXPECT_EQ(server.posted[1].body, QStringLiteral("music.mp3"));
    EXPECT_EQ(server.shown, QList<quint32>{id});

    server.simulateAction(id, AlarmNotices::kSnooze);
    server.simulateAction(id, AlarmNotices::kStop);
    EXPECT_EQ(calls, QStringList({QStringLiteral("snooze sound"), QStringLiteral("stop sound")}));
    notices->soundEnded();
    EXPECT_TRUE(server.shown.isEmpty());

    // Dismissed by the user: the sound stops.
    calls.clear();
    notices->soundStarted(QStringLiteral("/tmp/a.ogg"));
    settle();
    server.simulateDismiss(server.shown.value(0));
    EXPECT_EQ(calls, QStringList{QStringLiteral("stop sound")});
}

TEST_F(Notices, OffByOptionWithoutServerOrWithoutButtonsTheWindowsWorkAlone)
{
    enabled = false;
    notices->reminderShown(QStringLiteral("Врач"), QStringLiteral("Текст"));
    notices->soundStarted(QStringLiteral("/tmp/a.ogg"));
    settle();
    EXPECT_TRUE(server.posted.isEmpty());
    notices->reminderEnded();
    notices->soundEnded();

    // A server that shows no buttons gets the plain notification.
    enabled = true;
    server.serverCapabilities = {QStringLiteral("body")};
    notices->reminderShown(QStringLiteral("Врач"), QStringLiteral("Текст"));
    settle();
    ASSERT_EQ(server.posted.size(), 1);
    EXPECT_TRUE(server.posted[0].actions.isEmpty());
    notices->reminderEnded();
    EXPECT_TRUE(server.shown.isEmpty());

    // No server at all: nothing is even asked for.
    server.serverCapabilities.clear();
    notices->reminderShown(QStringLiteral("Врач"), QStringLiteral("Текст"));
    settle();
    EXPECT_EQ(server.posted.size(), 1);

    // No notification service: nothing happens, nothing breaks.
    make(nullptr);
    notices->reminderShown(QStringLiteral("Врач"), QStringLiteral("Текст"));
    notices->soundStarted(QStringLiteral("/tmp/a.ogg"));
    settle();
    notices->reminderEnded();
    notices->soundEnded();
    EXPECT_TRUE(calls.isEmpty());
}

TEST(NoticeExcerpt, AFewLinesEachCutAtAWord)
{
    EXPECT_EQ(AlarmNotices::excerpt(QStringLiteral("\n  Одна строка  \n\n")),
              QStringLiteral("Одна строка"));
    EXPECT_EQ(AlarmNotices::excerpt(QStringLiteral("1\n2\n3\n4\n5\n6")),
              QStringLiteral("1\n2\n3\n4…"));
    const QString longLine = QStringLiteral("слово ").repeated(40);
    const QString cut = AlarmNotices::excerpt(longLine);
    EXPECT_LE(cut.size(), 121);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("слово…"))) << cut.toStdString();
}

// The session posts for a sound action and withdraws when the sound ends,
// whichever way it ends; the notification's buttons reach the session.
class SessionNotices : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    RecordingNotifications server{sys.log};
    std::unique_ptr<ClockSession> session;

    void start(const QString& conf)
    {
        dir.writeConf(conf);
        dir.write(QStringLiteral("data/1Ids.zdt"), "1\r\n");
        dir.write(QStringLiteral("data/1Paths.zdt"), "1\r\n");
        Services services = sys.services();
        services.notifications = &server;
        session = std::make_unique<ClockSession>(dir.path(), services, report);
        session->openConfigStore();
        session->reloadActionLists();
        session->loadAtStart();
        session->setAlarmEnabled(true);
    }
    void ringAt(QTime time, QDate day = QDate(2026, 12, 8))
    {
        sys.clock.set(QDateTime(day, time));
        session->tick();
        settle();
    }
};

TEST_F(SessionNotices, EachRingIsToldOfAndItsNotificationGoesWhenTheSoundEnds)
{
    start(QStringLiteral("[Options big]\nTimesPlay=1\nSnoozeMinutes=5\n"
                         "[Options small]\non=yes\n"
                         "[Action1]\nAction=0\nPath=/home/user/подъём.mp3\nTime=7:00:00\n"
                         "Type_Per=2\n"));
    ringAt(QTime(6, 59, 59));
    ringAt(QTime(7, 0, 0));
    ASSERT_EQ(server.shown.size(), 1);
    EXPECT_EQ(server.posted.last().body, QStringLiteral("подъём.mp3"));

    // Heard out once: the tick finds it over and the notification goes.
    sys.player.finish();
    ringAt(QTime(7, 0, 1));
    EXPECT_TRUE(server.shown.isEmpty());

    // The next day's ring, put off from its notification: a sound action
    // at now + SnoozeMinutes, and the notification gone with the sound.
    ringAt(QTime(6, 59, 59), QDate(2026, 12, 9));
    ringAt(QTime(7, 0, 0), QDate(2026, 12, 9));
    ASSERT_EQ(server.shown.size(), 1);
    const qsizetype before = session->actions().tickIds().size();
    server.simulateAction(server.shown[0], AlarmNotices::kSnooze);
    EXPECT_FALSE(session->dispatcher().soundPlaying());
    EXPECT_EQ(session->actions().tickIds().size(), before + 1);
    EXPECT_TRUE(server.shown.isEmpty());
}

} // namespace
