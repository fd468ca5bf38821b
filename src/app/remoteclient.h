#pragma once

#include "platform/singleinstance.h"
#include "remote/commandline.h"
#include "remote/listing.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

// `zentari --list` and the other commands: carried out by the clock that
// runs, or on the lists themselves when none does, without a window or a
// display.
namespace zentari::remote {

// How a command ends: its exit status, what goes to standard output (a
// listing, the help) and what to standard error.
struct Outcome
{
    int status = Done;
    QString out;
    QString err;
    bool operator==(const Outcome&) const = default;
};

// The running clock's D-Bus service, call by call. A call the clock refuses
// throws CommandError with the exit status its error name stands for.
class RunningClock
{
public:
    virtual ~RunningClock() = default;
    // Whether a clock owns the service name now.
    virtual bool isRunning() = 0;
    // The process that owns it, 0 when unknown. The name is one per user
    // session, the clock one per program folder: a command goes to this
    // service only when its clock is the folder's.
    virtual qint64 processId() { return 0; }
    virtual QList<ActionEntry> listActions() = 0;
    virtual QList<ReminderEntry> listReminders() = 0;
    virtual QString addAction(int type, const QString& path, const QString& date,
                              const QString& time, int periodicity, const QList<int>& weekdays) = 0;
    virtual QString addReminder(const QString& title, const QString& text, const QString& date,
                                const QString& time) = 0;
    virtual void removeAction(const QString& id) = 0;
    virtual void removeReminder(const QString& id) = 0;
    virtual QString startTemplate(int minutes) = 0;
    // False: the password window opened on the clock's desktop instead.
    virtual bool abortShutdown() = 0;
    virtual void stopSound() = 0;
    virtual void reloadOptions() = 0;
};

// The service on the session bus; never running when there is no session bus.
std::unique_ptr<RunningClock> sessionBusService(std::chrono::milliseconds callTimeout);

// The folder's one-clock lock as the command line meets it.
class FolderClock
{
public:
    virtual ~FolderClock() = default;
    // True: no clock runs for the folder, and none starts until release().
    virtual bool claim() = 0;
    virtual void release() = 0;
    // Hands the arguments to the clock that holds the lock.
    virtual SingleInstance::Delivery handOver(const QStringList& arguments,
                                              SingleInstance::Answer& answer) = 0;
    // The process that holds the folder's lock, 0 when none or unknown.
    virtual qint64 holderPid() { return 0; }
};

// FolderClock over SingleInstance.
class InstanceFolderClock : public FolderClock
{
public:
    InstanceFolderClock(const QString& programDir, std::chrono::milliseconds answerWait,
                        const QString& runtimeDir = {});
    bool claim() override;
    void release() override;
    SingleInstance::Delivery handOver(const QStringList& arguments,
                                      SingleInstance::Answer& answer) override;
    qint64 holderPid() override { return m_instance.holderPid(); }

private:
    SingleInstance m_instance;
    std::chrono::milliseconds m_answerWait;
};

// A command (neither StartClock nor ShowHelp) carried out through the running clock's service.
Outcome runOnService(const Request& request, RunningClock& service);

// A command carried out on the lists of programDir by this process, while no
// clock runs; `now` is when a template's delay starts.
Outcome runOnStores(const Request& request, const QString& programDir, const QDateTime& now);

// The whole decision: the service when a clock offers it, the lists
// themselves when no clock runs (holding the lock throughout), else the
// hand-over to the clock that holds the lock. A clock that does not listen
// yet (or any more) is asked again for up to retryFor.
Outcome runCommand(const Request& request, RunningClock& service, FolderClock& folder,
                   const QString& programDir, const QDateTime& now,
                   std::chrono::milliseconds retryFor = std::chrono::milliseconds(0));

// `zentari` started with arguments: the outcome of a command, or nothing when
// they ask for the clock itself (takeOver then says whether it takes over
// from a closing one). Makes its own QCoreApplication; call before any other.
std::optional<int> runCommandLine(int argc, char** argv, bool& takeOver);

} // namespace zentari::remote
