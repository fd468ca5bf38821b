#include "platform/notifications_freedesktop.h"

#include "dbusmocks.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QElapsedTimer>

using namespace zentari;
using namespace zentari::test;

// The notification server is python3-dbusmock's notification_daemon template
// on a private session bus.
namespace {

const QString server = QStringLiteral("org.freedesktop.Notifications");
const QString serverPath = QStringLiteral("/org/freedesktop/Notifications");

class NotificationsTest : public PrivateBusTest
{
protected:
    void startServer()
    {
        startMock(QStringLiteral("notification_daemon"), server, sessionBus(),
                  QStringLiteral(R"({"capabilities": "actions body persistence"})"));
    }

    // What the server sends every client, as a server does.
    static void emitFromServer(const QString& name, const QString& signature,
                               const QVariantList& args)
    {
        const QDBusMessage reply =
            sessionBus().call(QDBusMessage::createMethodCall(
                                  server, serverPath, QStringLiteral("org.freedesktop.DBus.Mock"),
                                  QStringLiteral("EmitSignal"))
                              << server << name << signature << QVariant(args));
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    // notify() run to its answer; -1 when none came.
    static qint64 notifyAndWait(Notifications& notes, const Notification& note)
    {
        qint64 id = -1;
        QObject context;
        notes.notify(note, &context, [&](quint32 answer) { id = answer; });
        waitUntil([&] { return id >= 0; }, 10000);
        return id;
    }

    // A reminder's notification as the snooze feature will post it.
    static Notification reminderNote()
    {
        Notification note;
        note.summary = QStringLiteral("Позвонить маме");
        note.body = QStringLiteral("Напоминание на 8:00:00 08.12.2026");
        note.actions = {{QStringLiteral("snooze"), QStringLiteral("Отложить")},
                        {QStringLiteral("close"), QStringLiteral("Закрыть")}};
        note.urgency = Notification::Urgency::Critical;
        note.resident = true;
        note.desktopEntry = QStringLiteral("zentari");
        note.icon = QStringLiteral("zentari");
        note.timeoutMs = 0;
        return note;
    }
};

struct Seen
{
    explicit Seen(Notifications& notes)
    {
        QObject::connect(&notes, &Notifications::actionInvoked,
                         [this](quint32 id, const QString& key) {
                             actions.append(QString::number(id) + u' ' + key);
                         });
        QObject::connect(&notes, &Notifications::closed, [this](quint32 id, quint32 reason) {
            closed.append(QString::number(id) + u' ' + QString::number(reason));
        });
    }
    QStringList actions;
    QStringList closed;
};

} // namespace

TEST_F(NotificationsTest, NotifyCarriesEverythingAndOnlyOurOwnActionsAndClosingsComeBack)
{
    startServer();
    FreedesktopNotifications notes;
    Seen seen(notes);

    QStringList capabilities;
    bool answered = false;
    notes.capabilities(nullptr, [&](const QStringList& list) {
        capabilities = list;
        answered = true;
    });
    ASSERT_TRUE(waitUntil([&] { return answered; }));
    EXPECT_TRUE(capabilities.contains(QStringLiteral("actions")))
        << capabilities.join(u' ').toStdString();

    const qint64 id = notifyAndWait(notes, reminderNote());
    ASSERT_GT(id, 0);
    const QList<MockCall> calls = mockCalls(sessionBus(), server, serverPath);
    ASSERT_EQ(methods(calls),
              QStringList({QStringLiteral("GetCapabilities"), QStringLiteral("Notify")}));
    const QVariantList& args = calls[1].args;
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[0], QStringLiteral("Zentari"));
    EXPECT_EQ(args[1], 0u);
    EXPECT_EQ(args[2], QStringLiteral("zentari"));
    EXPECT_EQ(args[3], QStringLiteral("Позвонить маме"));
    EXPECT_EQ(args[4], QStringLiteral("Напоминание на 8:00:00 08.12.2026"));
    EXPECT_EQ(args[5].toStringList(),
              QStringList({QStringLiteral("snooze"), QStringLiteral("Отложить"),
                           QStringLiteral("close"), QStringLiteral("Закрыть")}));
    const QVariantMap hints = qdbus_cast<QVariantMap>(args[6]);
    EXPECT_EQ(hints.value(QStringLiteral("urgency")).metaType(), QMetaType::fromType<uchar>());
    EXPECT_EQ(hints.value(QStringLiteral("urgency")).toInt(), 2);
    EXPECT_EQ(hints.value(QStringLiteral("resident")), true);
    EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")), QStringLiteral("zentari"));
    EXPECT_EQ(args[7], 0);

    // Replaced in place: the same id.
    Notification again = reminderNote();
    again.replaces = quint32(id);
    EXPECT_EQ(notifyAndWait(notes, again), id);

    // The user chose "Отложить" on ours, and something on another program's.
    emitFromServer(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                   {quint32(id + 100), QStringLiteral("default")});
    emitFromServer(QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                   {quint32(id), QStringLiteral("snooze")});
    ASSERT_TRUE(waitUntil([&] { return !seen.actions.isEmpty(); }));
    emitFromServer(QStringLiteral("NotificationClosed"), QStringLiteral("uu"),
                   {quint32(id + 100), 2u});
    notes.close(quint32(id));
    ASSERT_TRUE(waitUntil([&] { return !seen.closed.isEmpty(); }));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(seen.actions, QStringList{QString::number(id) + QStringLiteral(" snooze")});
    EXPECT_EQ(seen.closed, QStringList{QString::number(id) + QStringLiteral(" 1")});
    EXPECT_EQ(methods(mockCalls(sessionBus(), server, serverPath)).last(),
              QStringLiteral("CloseNotification"));

    // Gone: closing it again asks the server nothing.
    notes.close(quint32(id));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(methods(mockCalls(sessionBus(), server, serverPath))
                  .count(QStringLiteral("CloseNotification")),
              1);
}

TEST_F(NotificationsTest, WithoutAServerOrABusNothingIsShownAndNothingWaits)
{
    FreedesktopNotifications noServer(sessionBus());
    FreedesktopNotifications noBus(QDBusConnection(QStringLiteral("zentari-no-bus")));
    for (FreedesktopNotifications* notes : {&noServer, &noBus}) {
        SCOPED_TRACE(notes == &noBus ? "no bus" : "no server on the bus");
        qint64 id = -1;
        QStringList capabilities{QStringLiteral("stale")};
        bool answered = false;
        QElapsedTimer elapsed;
        elapsed.start();
        notes->notify(reminderNote(), nullptr, [&](quint32 answer) { id = answer; });
        notes->capabilities(nullptr, [&](const QStringList& list) {
            capabilities = list;
            answered = true;
        });
        EXPECT_LT(elapsed.elapsed(), 500);
        EXPECT_EQ(id, -1) << "answered before returning";
        ASSERT_TRUE(waitUntil([&] { return id >= 0 && answered; },
                              FreedesktopNotifications::callTimeoutMs + 2000));
        EXPECT_EQ(id, 0);
        EXPECT_TRUE(capabilities.isEmpty());
        notes->close(1); // not ours: nothing to do

        // The caller went before the answer came: nobody is called.
        bool called = false;
        {
            QObject context;
            notes->notify(reminderNote(), &context, [&](quint32) { called = true; });
        }
        waitUntil([] { return false; }, 300);
        EXPECT_FALSE(called);
    }
}
