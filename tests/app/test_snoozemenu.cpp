// The snoozes in the clock's menu, with the real clock window: put off from
// the menu and from a reminder's window, listed across a restart, taken back.
#include "app/clockdesktop.h"
#include "clockfixture.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>

using namespace zentari;
using zentari::test::captions;
using zentari::test::ClockFixture;

namespace {

const QDate kDay(2026, 12, 8);

// The menu as it opens: what lies between "Остановить звук" and the separator after it.
QStringList snoozedItems(TForm1& clock)
{
    clock.PopupMenu1Popup();
    const QStringList all = captions(clock.desktop().PopupMenu1);
    const qsizetype from = all.indexOf(QStringLiteral("Остановить звук")) + 1;
    return all.mid(from, all.indexOf(QStringLiteral("-")) - from);
}

QAction* cancelItem(TForm1& clock, int index)
{
    const QMenu* menu = clock.desktop().snoozedMenus().at(index);
    EXPECT_EQ(captions(menu), QStringList{QStringLiteral("Отменить")});
    return menu->actions().constFirst();
}

} // namespace

TEST_F(ClockFixture, SnoozesAreListedInTheMenuOutliveARestartAndCanBeTakenBack)
{
    const QString conf = QStringLiteral("[Options big]\nSnoozeMinutes=10\nTimesPlay=0\n"
                                        "[Actionx]\nAction=0\nTime=23:45:00\nType_Per=2\n"
                                        "Path=/music/wake.mp3\n");
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "/music/wake.mp3\r\n");
    // Whole records, as the editor leaves them: a change finds its action only in those.
    dir.write(QStringLiteral("data/1Actions.zdt"), "0\r\n");
    dir.write(QStringLiteral("data/1Times.zdt"), "23:45:00\r\n");
    dir.write(QStringLiteral("data/1Dates.zdt"), "08.12.2026\r\n");
    TForm1* clock = &start(conf);
    ASSERT_TRUE(session->reminders().addReminder(QStringLiteral("Врач"), QStringLiteral("к 9"),
                                                 kDay, QTime(23, 40)));
    EXPECT_TRUE(snoozedItems(*clock).isEmpty());

    // The reminder's window puts it off half an hour, past midnight.
    sys.clock.set(QDateTime(kDay, QTime(23, 40)));
    QTimer::singleShot(0, form6.get(), [&] { form6->snooze(30); });
    clock->Timer1Timer();
    EXPECT_FALSE(form6->isVisible());
    clock->N1Click();
    EXPECT_EQ(snoozedItems(*clock),
              QStringList{QStringLiteral("Отложено: Врач — 0:10:00 09.12.2026")});

    // The alarm's sound put off from the menu comes first: it is due sooner.
    sys.clock.set(QDateTime(kDay, QTime(23, 45)));
    clock->Timer1Timer();
    sys.clock.set(QDateTime(kDay, QTime(23, 45, 1)));
    clock->Timer1Timer();
    clock->desktop().SnoozeSound->trigger();
    const QStringList both{QStringLiteral("Отложено: Будильник (wake.mp3) — 23:55:01"),
                           QStringLiteral("Отложено: Врач — 0:10:00 09.12.2026")};
    EXPECT_EQ(snoozedItems(*clock), both);

    // A restart lists them still; with the password on they cannot be taken back.
    sys.machine.values[QStringLiteral("USE")] = QStringLiteral("1");
    clock = &start();
    EXPECT_EQ(snoozedItems(*clock), both);
    EXPECT_FALSE(cancelItem(*clock, 0)->isEnabled());
    clock->cancelSnooze(0);
    EXPECT_EQ(snoozedItems(*clock), both);
    sys.machine.values.remove(QStringLiteral("USE"));
    EXPECT_EQ(snoozedItems(*clock), both);
    EXPECT_TRUE(cancelItem(*clock, 1)->isEnabled());

    // The reminder taken back: out of its store with its text, and off the menu.
    const QString text = dir.file(QStringLiteral("data/messages/Врач09.12.2026.zdt"));
    ASSERT_TRUE(QFile::exists(text));
    cancelItem(*clock, 1)->trigger();
    EXPECT_EQ(session->reminders().count(), 0);
    EXPECT_TRUE(dir.readList(QStringLiteral("data/IDs.zdt")).isEmpty());
    EXPECT_FALSE(QFile::exists(text));
    EXPECT_EQ(snoozedItems(*clock), QStringList{both.first()});
    EXPECT_TRUE(sys.messages.shown.isEmpty());

    // The sound's action deleted in an editor while the menu is open: taking
    // it back says so, and the entry goes.
    ActionStore editor(dir.path());
    editor.openStore();
    editor.loadAll();
    ASSERT_TRUE(editor.removeAt(1, QStringLiteral("08.12.2026 23:55:01")));
    cancelItem(*clock, 0)->trigger();
    EXPECT_EQ(sys.messages.shown,
              QStringList{QStringLiteral("Сигнал «Будильник (wake.mp3)» уже удалён или изменён: "
                                         "отменять нечего.")});
    EXPECT_EQ(session->actionIds(), QStringList{QStringLiteral("x")});
    EXPECT_TRUE(snoozedItems(*clock).isEmpty());
}
