// "Пропущенные события": the list a catch-up hands to the clock window, and
// the one desktop notification that tells of it.
#include "clockfixture.h"

#include "platform/notifications_recording.h"
#include "windows/missedeventswindow.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

using namespace zentari;

namespace {

QDateTime at(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, 0));
}

const QString late = QStringLiteral("Опоздание больше 10 минут");
const QString neverLate = QStringLiteral("Не выполняется с опозданием");

QList<MissedEvent> firstBatch()
{
    return {{at(8, 7, 30), QStringLiteral("Звук: /home/user/будильник.mp3"), late},
            {at(8, 23, 0), QStringLiteral("Выключение компьютера"), neverLate}};
}

QList<MissedEvent> secondBatch()
{
    return {{at(9, 6, 5), QStringLiteral("Позвонить маме"), QStringLiteral("Компьютер спал")}};
}

QStringList rows(const MissedEventsWindow& window)
{
    QStringList result;
    for (int row = 0; row < window.List->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < window.List->columnCount(); ++column)
            cells.append(window.List->item(row, column)->text());
        result.append(cells.join(u'|'));
    }
    return result;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class MissedEventsTest : public zentari::test::ClockFixture
{
protected:
    RecordingNotifications notes{sys.log};

    // The clock as start-up makes it, on a desktop with a notification server.
    TForm1& startWithNotifications()
    {
        stop();
        Services services = sys.services();
        services.notifications = &notes;
        session = std::make_unique<ClockSession>(dir.path(), services, *report);
        windows = std::make_unique<ClockWindows>(dir.path(), services, *report, *session);
        form1 =
            std::make_unique<TForm1>(dir.path(), services, *report, *session, *windows, &trayArea);
        session->loadAtStart();
        return *form1;
    }
};

} // namespace

TEST(MissedEventsWindow, ListsEachBatchBelowTheLastReadOnlyWithNamedControls)
{
    MissedEventsWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Пропущенные события"));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QStringList headers;
    for (int column = 0; column < window.List->columnCount(); ++column)
        headers.append(window.List->horizontalHeaderItem(column)->text());
    EXPECT_EQ(headers, QStringList({QStringLiteral("Когда"), QStringLiteral("Что"),
                                    QStringLiteral("Почему")}));
    EXPECT_EQ(window.List->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(window.List->accessibleName(), QStringLiteral("Пропущенные события"));
    EXPECT_EQ(window.CloseButton->text(), QStringLiteral("Закрыть"));
    EXPECT_EQ(window.CloseButton->accessibleName(), QStringLiteral("Закрыть"));

    window.addEvents(firstBatch());
    window.addEvents({});
    window.addEvents(secondBatch());
    EXPECT_EQ(
        rows(window),
        QStringList({QStringLiteral("7:30:00 08.12.2026|Звук: /home/user/будильник.mp3|") + late,
                     QStringLiteral("23:00:00 08.12.2026|Выключение компьютера|") + neverLate,
                     QStringLiteral("6:05:00 09.12.2026|Позвонить маме|Компьютер спал")}));
    EXPECT_EQ(window.count(), 3);

    window.showList();
    ASSERT_TRUE(window.isVisible());
    // Wide enough to read a row without scrolling sideways.
    EXPECT_GE(window.width(), 500);
    window.CloseButton->click();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MissedEventsTest, TheClockOpensOneListAndKeepsOneNotificationThatReopensIt)
{
    TForm1& clock = startWithNotifications();
    clock.show();
    EXPECT_FALSE(windows->missedEventsMade());
    clock.missedEvents({}); // nothing missed: nothing to show
    EXPECT_FALSE(windows->missedEventsMade());
    EXPECT_TRUE(notes.posted.isEmpty());

    // After a night asleep: the list opens and the desktop is told.
    clock.missedEvents(firstBatch());
    ASSERT_TRUE(windows->missedEventsMade());
    MissedEventsWindow* window = &windows->missedEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->count(), 2);
    settle();
    EXPECT_EQ(sys.logged(QStringLiteral("notify")),
              QStringList{QStringLiteral(
                  "notify\tПропущенные события\tНе выполнено: 2. Откройте список.")});
    ASSERT_EQ(notes.shown.size(), 1);
    const quint32 id = notes.shown[0];
    const Notification& first = notes.posted[0];
    EXPECT_EQ(first.actions, (QList<NotificationAction>{
                                 {QStringLiteral("default"), QStringLiteral("Открыть список")}}));
    EXPECT_EQ(first.desktopEntry, QStringLiteral("zentari"));
    EXPECT_EQ(first.icon, QStringLiteral("zentari"));
    EXPECT_EQ(first.replaces, 0u);

    // The user closes the list; clicking the notification brings it back.
    window->CloseButton->click();
    EXPECT_FALSE(window->isVisible());
    notes.simulateAction(id, QStringLiteral("default"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(&windows->missedEvents(), window);
    window->CloseButton->click();

    // Two more catch-ups in a row, before the server has answered the first:
    // the same list grows and one notification, replaced, tells the total.
    clock.missedEvents(secondBatch());
    clock.missedEvents(firstBatch());
    settle();
    EXPECT_EQ(&windows->missedEvents(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->count(), 5);
    EXPECT_EQ(notes.shown.size(), 1) << "more than one notification";
    EXPECT_EQ(sys.logged(QStringLiteral("notify")).last(),
              QStringLiteral("notify\tПропущенные события\tНе выполнено: 5. Откройте список."));
    const quint32 current = notes.shown[0];
    ASSERT_EQ(notes.posted.size(), 3);
    EXPECT_EQ(notes.posted[1].replaces, 0u); // the clicked one went
    EXPECT_EQ(notes.posted[2].replaces, current);

    // Dismissed: clicking an old id opens nothing; the next batch gets a new one.
    window->CloseButton->click();
    notes.simulateDismiss(current);
    notes.simulateAction(current, QStringLiteral("default"));
    EXPECT_FALSE(window->isVisible());
    clock.missedEvents(secondBatch());
    settle();
    EXPECT_EQ(notes.posted.last().replaces, 0u);
    EXPECT_EQ(notes.shown.size(), 1);
    EXPECT_EQ(window->count(), 6);
    window->close();
}

TEST_F(MissedEventsTest, WithoutANotificationServerTheListStillOpens)
{
    notes.serverCapabilities.clear();
    TForm1& clock = startWithNotifications();
    clock.missedEvents(firstBatch());
    settle();
    EXPECT_TRUE(windows->missedEvents().isVisible());
    EXPECT_TRUE(sys.logged(QStringLiteral("notify")).isEmpty());
    windows->missedEvents().close();

    // Nor does a clock without the service at all (the tests' usual services).
    start(QString());
    form1->missedEvents(secondBatch());
    EXPECT_EQ(windows->missedEvents().count(), 1);
    windows->missedEvents().close();
}
