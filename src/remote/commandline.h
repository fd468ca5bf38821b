#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <variant>

// The command line of `zentari`: what a start asks of the clock, as a plain
// value. The same value travels to a clock that already runs (as the
// arguments toArguments() gives back), so that both ends read it alike.
namespace zentari::remote {

// Exit statuses of a command.
enum ExitStatus
{
    Done = 0,
    BadArguments = 2, // a bad argument or a refused value; nothing written
    StoreFailed = 3,  // the lists could not be read or written
};

// No arguments: run the clock, or bring the running one into view.
// takeOver: the restart of a clock that was closed without permission; it
// waits for the closing clock to end instead of handing itself over to it.
struct StartClock
{
    bool takeOver = false;
    bool operator==(const StartClock&) const = default;
};

struct ShowHelp
{
    bool operator==(const ShowHelp&) const = default;
};

struct AddReminder
{
    QDate date;
    QTime time;
    QString title;
    QString text;
    bool operator==(const AddReminder&) const = default;
};

// The action editor's type codes, and what the editor stores as the path of
// the types that open no file.
enum ActionType
{
    SoundFile = 0,
    AnyFile = 1,
    Reboot = 2,
    LogOff = 3,
    Shutdown = 4,
};
// Periodicity codes as the action store keeps them.
enum Periodicity
{
    Once = 1,
    EveryDay = 2,
    ChosenDays = 3,
};

struct AddAction
{
    int type = SoundFile;
    QDate date;
    QTime time;
    // Types 0 and 1: the file, absolute. Types 2–4: the editor's label for the type.
    QString path;
    int periodicity = Once;
    std::array<bool, 7> days{}; // Monday first; only ChosenDays sets them
    bool operator==(const AddAction&) const = default;
};

// A shutdown in one of the menu's template delays.
struct StartTemplate
{
    int minutes = 0;
    bool operator==(const StartTemplate&) const = default;
};

struct AbortShutdown
{
    bool operator==(const AbortShutdown&) const = default;
};

struct StopSound
{
    bool operator==(const StopSound&) const = default;
};

// For the configuration tool: the running clock reads its border, position
// and picture from conf.ini again.
struct ReloadOptions
{
    bool operator==(const ReloadOptions&) const = default;
};

struct ListEntries
{
    bool operator==(const ListEntries&) const = default;
};

// An action's or a reminder's id, as --list shows it.
struct RemoveEntry
{
    QString id;
    bool operator==(const RemoveEntry&) const = default;
};

using Request = std::variant<StartClock, ShowHelp, AddReminder, AddAction, StartTemplate,
                             AbortShutdown, StopSound, ListEntries, RemoveEntry, ReloadOptions>;

// A request, or why the arguments make none (Russian, for standard error,
// exit status BadArguments).
struct ParseResult
{
    Request request;
    QString message;
    bool ok() const { return message.isEmpty(); }
};

// The template delays of the clock's menu, in minutes.
inline constexpr std::array<int, 11> kTemplateMinutes = {1, 2, 3, 5, 10, 15, 30, 45, 60, 90, 120};

// The path the action editor stores for a type that opens no file ("Выключение"
// for 4), or the empty text for 0 and 1.
QString actionLabel(int type);

// Reads the arguments (without the program name, and without Qt's own
// options). Dates and times are read as the clock's own texts, so "9:05:00"
// and "09:05:00" give one time. A relative path is taken from currentDir and
// must name an existing file.
ParseResult parseCommandLine(const QStringList& arguments, const QString& currentDir);

// Arguments that parse back into the same request: how a start hands its
// request to the clock that already runs.
QStringList toArguments(const Request& request);

// The help, naming the command as it was started.
QString helpText(const QString& command);
// The line that follows a refusal: where the help is.
QString helpHint(const QString& command);

} // namespace zentari::remote
