// The reminder window's snooze menu: its captions, and a snooze that moves the
// reminder shown or, when it was deleted meanwhile, says so and stays.

#include "platform/errorreport.h"
#include "reminders/reminderstore.h"
#include "reminders/reminderwindow.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

QStringList captions(const QMenu& menu)
{
    QStringList out;
    for (const QAction* a : menu.actions())
        out.append(a->text());
    return out;
}

} // namespace

TEST(ReminderWindow, TheFirstSnoozeItemFollowsSnoozeMinutesInRussianPlural)
{
    TForm6 form;
    int minutes = 10;
    form.setSnoozeLinks(
        {.store = nullptr, .now = {}, .minutes = [&minutes] { return minutes; }, .onSnoozed = {}});
    const QStringList fixed{
        QStringLiteral("Напомнить через 5 минут"), QStringLiteral("Напомнить через 15 минут"),
        QStringLiteral("Напомнить через 30 минут"), QStringLiteral("Напомнить через 1 час")};
    const std::pair<int, const char16_t*> firsts[] = {
        {1, u"Напомнить через 1 минуту"},    {2, u"Напомнить через 2 минуты"},
        {10, u"Напомнить через 10 минут"},   {21, u"Напомнить через 21 минуту"},
        {12, u"Напомнить через 12 минут"},   {111, u"Напомнить через 111 минут"},
        {104, u"Напомнить через 104 минуты"}};
    for (const auto& [n, first] : firsts) {
        minutes = n;
        form.updateSnoozeMenu();
        EXPECT_EQ(captions(*form.PopupMenu1), QStringList{QString::fromUtf16(first)} + fixed);
    }
    // Both the text and the window open the snooze menu instead of the text box's own.
    EXPECT_EQ(form.Memo1->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(form.contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST(ReminderWindow, ASnoozeMovesTheReminderShownAndClosesADeletedOneIsOnlyReported)
{
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    ReminderStore store(dir.path());
    store.loadReminders();
    const QDate day(2026, 12, 8);
    ASSERT_TRUE(
        store.addReminder(QStringLiteral("Врач"), QStringLiteral("карта"), day, QTime(23, 55)));
    sys.clock.set(QDateTime(day, QTime(23, 55, 1)));
    TForm6 form;
    QStringList snoozed; // what the clock is told
    form.setSnoozeLinks({.store = &store,
                         .now = [&sys] { return sys.clock.now(); },
                         .minutes = [] { return 10; },
                         .messages = &sys.messages,
                         .report = &report,
                         .onSnoozed =
                             [&snoozed](const QString& previousId, const QString& newId,
                                        const QString& title, const QDateTime& due) {
                                 snoozed << previousId << newId << title
                                         << due.toString(Qt::ISODate);
                             }});

    QTimer::singleShot(0, &form, [&form] { form.PopupMenu1->actions().constFirst()->trigger(); });
    form.showReminder(QStringLiteral("Врач"), QStringLiteral("Напоминание на 23:55:00\nкарта"),
                      QStringLiteral("Врач08.12.2026"));
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(store.count(), 1);
    EXPECT_EQ(store.at(0).reminderId, u"Врач09.12.2026");
    EXPECT_EQ(store.at(0).timeText, u"0:05:01");
    EXPECT_EQ(ReminderStore::readText(store.textFileOf(0)), u"карта");
    EXPECT_EQ(snoozed,
              (QStringList{QStringLiteral("Врач08.12.2026"), QStringLiteral("Врач09.12.2026"),
                           QStringLiteral("Врач"), QStringLiteral("2026-12-09T00:05:01")}));
    snoozed.clear();

    // Deleted while its window is open: said, nothing moved, the window stays.
    ASSERT_TRUE(store.removeReminderAt(0));
    bool stayed = false;
    QTimer::singleShot(0, &form, [&] {
        form.PopupMenu1->actions()[3]->trigger(); // "через 1 час"
        stayed = form.isVisible();
        form.reject();
    });
    form.showReminder(QStringLiteral("Врач"), QStringLiteral("карта"),
                      QStringLiteral("Врач09.12.2026"));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(sys.messages.shown,
              QStringList{QStringLiteral("Напоминание «Врач» уже удалено: отложить его нельзя.")});
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(snoozed.isEmpty());
}
