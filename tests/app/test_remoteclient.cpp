// `zentari` with a command: which way it takes to the lists (the running
// clock's service, the lists themselves, the hand-over to a clock without a
// bus), and what each way makes of the request and of a refusal.
#include "app/remoteclient.h"
#include "remote/storecommands.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using namespace zentari;
using namespace zentari::remote;

namespace {

const QDate kDay(2026, 12, 9);
const QDateTime kNow(QDate(2026, 12, 8), QTime(12, 0, 0));

// The clock's service, answering from lists of its own and noting each call.
class FakeClockService : public RunningClock
{
public:
    bool running = true;
    QList<ActionEntry> actions;
    QList<ReminderEntry> reminders;
    QStringList calls;
    QString failing; // the call that throws `error`
    CommandError error{BadArguments, {}};
    bool abortDone = true;

    qint64 pid = 0;
    bool isRunning() override { return running; }
    qint64 processId() override { return pid; }
    QList<ActionEntry> listActions() override
    {
        note(QStringLiteral("ListActions"));
        return actions;
    }
    QList<ReminderEntry> listReminders() override
    {
        note(QStringLiteral("ListReminders"));
        return reminders;
    }
    QString addAction(int type, const QString& path, const QString& date, const QString& time,
                      int periodicity, const QList<int>& weekdays) override
    {
        QStringList days;
        for (int d : weekdays)
            days.append(QString::number(d));
        note(QStringLiteral("AddAction %1|%2|%3|%4|%5|%6")
                 .arg(type)
                 .arg(path, date, time)
                 .arg(periodicity)
                 .arg(days.join(u',')));
        return date + u' ' + time;
    }
    QString addReminder(const QString& title, const QString& text, const QString& date,
                        const QString& time) override
    {
        note(QStringLiteral("AddReminder %1|%2|%3|%4").arg(title, text, date, time));
        return title + date;
    }
    void removeAction(const QString& id) override { note(u"RemoveAction " + id); }
    void removeReminder(const QString& id) override { note(u"RemoveReminder " + id); }
    QString startTemplate(int minutes) override
    {
        note(QStringLiteral("StartTemplate %1").arg(minutes));
        return {};
    }
    bool abortShutdown() override
    {
        note(QStringLiteral("AbortShutdown"));
        return abortDone;
    }
    void stopSound() override { note(QStringLiteral("StopSound")); }
    void reloadOptions() override { note(QStringLiteral("ReloadOptions")); }

private:
    void note(const QString& call)
    {
        calls.append(call);
        if (call.section(u' ', 0, 0) == failing)
            throw error;
    }
};

// The folder's lock: free or held, and what the holder answers a hand-over.
class FakeFolder : public FolderClock
{
public:
    bool free = true;
    bool claimed = false;
    QStringList handedOver;
    SingleInstance::Delivery delivery = SingleInstance::Delivery::Answered;
    SingleInstance::Answer answer;
    int claims = 0;
    int releases = 0;
    int handOvers = 0;
    int freeAfter = -1; // the holder ends after this many hand-overs it did not take
    qint64 holder = 0;
    qint64 holderPid() override { return holder; }

    bool claim() override
    {
        ++claims;
        claimed = free;
        return free;
    }
    void release() override
    {
        ++releases;
        claimed = false;
    }
    SingleInstance::Delivery handOver(const QStringList& arguments,
                                      SingleInstance::Answer& out) override
    {
        handedOver = arguments;
        out = answer;
        if (++handOvers == freeAfter)
            free = true;
        return delivery;
    }
};

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out.append(s(a));
    return out;
}

Request parsed(std::initializer_list<const char*> arguments)
{
    const ParseResult r = parseCommandLine(args(arguments), QStringLiteral("/"));
    EXPECT_TRUE(r.ok()) << r.message.toStdString();
    return r.request;
}

} // namespace

// Every command becomes the one matching call, with the clock's own date and
// time texts; refusals keep the clock's message and the status its error
// name stands for.
TEST(RemoteClientService, EachCommandIsItsCall)
{
    FakeClockService service;
    service.actions = {{QStringLiteral("09.12.2026 10:30:00"),
                        4,
                        QStringLiteral("Выключение"),
                        QStringLiteral("09.12.2026"),
                        QStringLiteral("10:30:00"),
                        1,
                        {}}};
    service.reminders = {{QStringLiteral("Врач09.12.2026"), QStringLiteral("Врач"),
                          QStringLiteral("09.12.2026"), QStringLiteral("9:05:00")}};

    EXPECT_EQ(runOnService(ListEntries{}, service),
              (Outcome{Done,
                       s("action\t09.12.2026 10:30:00\t09.12.2026\t10:30:00\t4\tВыключение\n"
                         "reminder\tВрач09.12.2026\t09.12.2026\t9:05:00\tВрач\n"),
                       {}}));
    EXPECT_EQ(runOnService(parsed({"--remind", "9.12.2026", "09:05", "Врач", "В 214-й"}), service),
              Outcome{});
    EXPECT_EQ(runOnService(parsed({"--action", "2", "09.12.2026", "7:00:00", "--days", "5,1,3"}),
                           service),
              Outcome{});
    EXPECT_EQ(runOnService(parsed({"--action", "4", "09.12.2026", "23:00:00", "--daily"}), service),
              Outcome{});
    EXPECT_EQ(runOnService(StartTemplate{15}, service), Outcome{});
    EXPECT_EQ(runOnService(StopSound{}, service), Outcome{});
    EXPECT_EQ(runOnService(ReloadOptions{}, service), Outcome{});
    EXPECT_EQ(runOnService(AbortShutdown{}, service), Outcome{});
    EXPECT_EQ(service.calls,
              args({"ListActions", "ListReminders", "AddReminder Врач|В 214-й|09.12.2026|9:05:00",
                    "AddAction 2|Перезагрузка|09.12.2026|7:00:00|3|1,3,5",
                    "AddAction 4|Выключение|09.12.2026|23:00:00|2|", "StartTemplate 15",
                    "StopSound", "ReloadOptions", "AbortShutdown"}));

    // The password window took the abort over: nothing failed, but the user is told.
    service.abortDone = false;
    const Outcome asked = runOnService(AbortShutdown{}, service);
    EXPECT_EQ(asked.status, Done);
    EXPECT_TRUE(asked.err.contains(QStringLiteral("парол"))) << asked.err.toStdString();

    service.calls.clear();
    service.failing = QStringLiteral("AddReminder");
    service.error = CommandError(BadArguments, QStringLiteral("Такое напоминание уже есть."));
    EXPECT_EQ(runOnService(parsed({"--remind", "09.12.2026", "9:05:00", "Врач"}), service),
              (Outcome{BadArguments, {}, QStringLiteral("Такое напоминание уже есть.")}));
    service.failing = QStringLiteral("ListActions");
    service.error = CommandError(StoreFailed, QStringLiteral("Список не читается."));
    EXPECT_EQ(runOnService(ListEntries{}, service),
              (Outcome{StoreFailed, {}, QStringLiteral("Список не читается.")}));
}

// --remove finds out from the lists which of the two the id names, and
// removes nothing it cannot tell.
TEST(RemoteClientService, RemoveAsksTheListsFirst)
{
    FakeClockService service;
    const QString midnight = QStringLiteral("09.12.2026");
    service.actions = {{QStringLiteral("09.12.2026 10:30:00"), 2, {}, {}, {}, 1, {}},
                       {midnight, 2, {}, {}, {}, 1, {}}};
    service.reminders = {{QStringLiteral("Врач09.12.2026"), {}, {}, {}}, {midnight, {}, {}, {}}};

    EXPECT_EQ(runOnService(parsed({"--remove", "09.12.2026", "10:30:00"}), service), Outcome{});
    EXPECT_EQ(runOnService(RemoveEntry{QStringLiteral("Врач09.12.2026")}, service), Outcome{});
    const Outcome both = runOnService(RemoveEntry{midnight}, service);
    const Outcome unknown = runOnService(RemoveEntry{QStringLiteral("Нет")}, service);
    EXPECT_EQ(both.status, BadArguments);
    EXPECT_EQ(unknown.status, BadArguments);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("«Нет»"))) << unknown.err.toStdString();
    EXPECT_EQ(service.calls.filter(QStringLiteral("Remove")),
              args({"RemoveAction 09.12.2026 10:30:00", "RemoveReminder Врач09.12.2026"}));
}

// A clock on the bus is asked there, whoever holds the lock; without one the
// lists are changed here under the lock, let go afterwards; a clock holding
// the lock without a bus gets the arguments handed over.
TEST(RemoteClientDecision, TheBusNameOfAnotherFoldersClockIsNotThisFolders)
{
    test::ProgramDir dir;
    FakeClockService service;
    FakeFolder folder;
    service.pid = 4242;

    // No clock runs for this folder: the lists themselves, not the other clock.
    EXPECT_EQ(runCommand(ReloadOptions{}, service, folder, dir.path(), kNow), Outcome{});
    EXPECT_TRUE(service.calls.isEmpty());
    EXPECT_EQ(folder.claims, 1);

    // This folder's clock holds the lock but not the name: the hand-over.
    folder.free = false;
    folder.holder = 777;
    runCommand(StopSound{}, service, folder, dir.path(), kNow);
    EXPECT_TRUE(service.calls.isEmpty());
    EXPECT_EQ(folder.handedOver, args({"--stop-sound"}));

    // The name's owner is this folder's clock.
    folder.holder = 4242;
    runCommand(StopSound{}, service, folder, dir.path(), kNow);
    EXPECT_EQ(service.calls, args({"StopSound"}));
}

TEST(RemoteClientDecision, TheBusThenTheListsThenTheHandOver)
{
    test::ProgramDir dir;
    FakeClockService service;
    FakeFolder folder;

    runCommand(StopSound{}, service, folder, dir.path(), kNow);
    EXPECT_EQ(service.calls, args({"StopSound"}));
    EXPECT_EQ(folder.claims, 0);

    service.running = false;
    const Outcome nothingToStop = runCommand(StopSound{}, service, folder, dir.path(), kNow);
    EXPECT_EQ(nothingToStop.status, Done);
    EXPECT_FALSE(nothingToStop.err.isEmpty());
    EXPECT_EQ(runCommand(ReloadOptions{}, service, folder, dir.path(), kNow), Outcome{});
    EXPECT_EQ(folder.claims, 2);
    EXPECT_EQ(folder.releases, 2);
    EXPECT_FALSE(folder.claimed);
    EXPECT_EQ(service.calls, args({"StopSound"}));
    EXPECT_TRUE(folder.handedOver.isEmpty());

    folder.free = false;
    folder.answer = {Done, QStringLiteral("reminder\tА09.12.2026\t09.12.2026\t9:00:00\tА\n")};
    EXPECT_EQ(runCommand(ListEntries{}, service, folder, dir.path(), kNow),
              (Outcome{Done, folder.answer.message, {}}));
    EXPECT_EQ(folder.handedOver, args({"--list"}));

    const Request remind = parsed({"--remind", "9.12.2026", "9:00", "А"});
    folder.answer = {BadArguments, QStringLiteral("Такое напоминание уже есть.")};
    EXPECT_EQ(runCommand(remind, service, folder, dir.path(), kNow),
              (Outcome{BadArguments, {}, folder.answer.message}));
    EXPECT_EQ(folder.handedOver, args({"--remind", "09.12.2026", "9:00:00", "А"}));

    for (auto delivery :
         {SingleInstance::Delivery::NotDelivered, SingleInstance::Delivery::NoAnswer}) {
        folder.delivery = delivery;
        const Outcome lost = runCommand(remind, service, folder, dir.path(), kNow);
        EXPECT_EQ(lost.status, StoreFailed);
        EXPECT_FALSE(lost.err.isEmpty());
    }
    EXPECT_EQ(dir.read(QStringLiteral("data/Titles.zdt")), QByteArray());

    // A clock that is ending does not listen any more: asked again until its
    // lock is free, and then the lists are this process's to change.
    FakeFolder ending;
    ending.free = false;
    ending.delivery = SingleInstance::Delivery::NotDelivered;
    ending.freeAfter = 3;
    EXPECT_EQ(runCommand(remind, service, ending, dir.path(), kNow, std::chrono::seconds(10)),
              Outcome{});
    EXPECT_EQ(ending.handOvers, 3);
    EXPECT_EQ(ending.releases, 1);
    EXPECT_EQ(dir.readList(QStringLiteral("data/Titles.zdt")), args({"А"}));
}
