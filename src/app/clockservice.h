#pragma once

#include "platform/services.h"
#include "remote/dbustypes.h"
#include "remote/storecommands.h"
#include "scheduler/actionstore.h"

#include <QDBusContext>
#include <QObject>
#include <QTimer>

class QFileSystemWatcher;

namespace zentari {

class ClockSession;
class ErrorReport;
class InstanceRequest;
class TForm1;

// ClockService: the running clock's remote control. It is the object behind
// org.zentari.Zentari on the session bus and answers the commands a later
// start hands over; both change the lists through the editors' operations
// and reach the protected commands only through the clock's password gate.
class ClockService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    ClockService(TForm1& clock, ClockSession& session, const Services& services,
                 ErrorReport& report, QObject* parent = nullptr);
    ~ClockService() override;

    // Exports the object and takes the name on the session bus. The clock
    // runs without them; the reason (Russian) is returned for the log.
    QString exportOnSessionBus();

    // A later start's command line: carried out, and answered with the exit
    // status and what `zentari` prints (the listing, or why not).
    void answer(InstanceRequest* request);

    // --- org.zentari.Zentari1 (see org.zentari.Zentari1.xml)
    QList<remote::ActionEntry> ListActions();
    QString AddAction(int type, const QString& path, const QString& date, const QString& time,
                      int periodicity, const QList<int>& weekdays);
    void RemoveAction(const QString& id);
    QList<remote::ReminderEntry> ListReminders();
    QString AddReminder(const QString& title, const QString& text, const QString& date,
                        const QString& time);
    void RemoveReminder(const QString& id);
    QString StartTemplate(int minutes);
    bool AbortShutdown();
    void StopSound();
    void ShowClock();
    bool ShowSettings();
    bool Quit();
    void ReloadOptions();

Q_SIGNALS:
    void ActionPerformed(const QString& id, int type);
    void ReminderShown(const QString& id, const QString& title);
    void ListsChanged();

private:
    // Runs a call of the lists; a refusal becomes the D-Bus error.
    template <typename Call> auto serve(Call&& call) -> decltype(call());
    // The tick's copy follows a change made here.
    void changed();
    QString startTemplate(int minutes);
    // Sizes and times of the list files: whether a change in data/ was theirs.
    QString listsSignature() const;
    // A protected command as the menu runs it, after this call has returned:
    // the password window it may open waits for the user.
    bool protectedCommand(void (TForm1::*command)());

    TForm1& m_clock;
    ClockSession& m_session;
    Services m_services;
    ErrorReport& m_report;
    ActionStore m_actions; // this service's own copy, as each editor has one
    remote::StoreCommands m_commands;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer m_listsChanged; // one signal for the several files of one change
    QString m_listsSeen;
};

} // namespace zentari
