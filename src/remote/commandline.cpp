#include "commandline.h"

#include "core/error.h"
#include "core/timetext.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace zentari::remote {
namespace {

// Why the arguments make no request; caught once, in parseCommandLine.
struct Refusal
{
    QString message;
};

[[noreturn]] void refuse(const QString& message)
{
    throw Refusal{message};
}

QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text);
}

QString templateList()
{
    QStringList numbers;
    for (int m : kTemplateMinutes)
        numbers.append(QString::number(m));
    const QString last = numbers.takeLast();
    return numbers.join(QStringLiteral(", ")) + QStringLiteral(" или ") + last;
}

// The editor's captions, for messages about a type.
QString typeCaption(int type)
{
    switch (type) {
    case SoundFile:
        return QStringLiteral("0. Звуковой файл");
    case AnyFile:
        return QStringLiteral("1. Любой файл");
    case Reboot:
        return QStringLiteral("2. Перезагрузка");
    case LogOff:
        return QStringLiteral("3. Выход на экран приветствия");
    case Shutdown:
        return QStringLiteral("4. Выключение компьютера");
    }
    return QString::number(type);
}

QDate readDate(const QString& text)
{
    // The clock's own reading takes "1.1.25" for the year 25, which nobody
    // typing a date on a command line means.
    const auto parts = QStringView(text).trimmed().split(u'.');
    if (parts.size() == 3 && parts[2].size() != 4 && timetext::digitField(parts[2], 4) >= 0)
        refuse(QStringLiteral("%1: год пишется четырьмя цифрами, например 07.12.2026.")
                   .arg(quoted(text)));
    try {
        return timetext::strToDate(text);
    } catch (const ConvertError& e) {
        refuse(e.message() + QStringLiteral(": нужна дата вида ДД.ММ.ГГГГ."));
    }
}

QTime readTime(const QString& text)
{
    try {
        return timetext::strToTime(text);
    } catch (const ConvertError& e) {
        refuse(e.message() + QStringLiteral(": нужно время вида Ч:ММ:СС."));
    }
}

std::array<bool, 7> readDays(const QString& text)
{
    std::array<bool, 7> days{};
    bool any = false;
    for (QStringView part : QStringView(text).split(u',')) {
        const int day = timetext::digitField(part.trimmed(), 4);
        if (day < 1 || day > 7)
            refuse(QStringLiteral("%1: дни недели — числа от 1 (понедельник) до 7 (воскресенье) "
                                  "через запятую, например 1,3,5.")
                       .arg(quoted(text)));
        days[day - 1] = true;
        any = true;
    }
    if (!any)
        refuse(QStringLiteral("После --days нужны дни недели, например 1,3,5."));
    return days;
}

QString readPath(int type, const QString& text, const QString& currentDir)
{
    if (text.isEmpty())
        refuse(QStringLiteral("Путь к файлу пуст."));
    const QString path = QDir::cleanPath(QDir(currentDir).absoluteFilePath(text));
    const QFileInfo info(path);
    if (!info.exists())
        refuse(QStringLiteral("Файла %1 нет.").arg(quoted(path)));
    if (type == SoundFile && info.isDir())
        refuse(QStringLiteral("%1 — папка, а нужен звуковой файл.").arg(quoted(path)));
    return path;
}

// The arguments after the command's own name, with "--in=5" read as "--in 5".
class Operands
{
public:
    Operands(const QStringList& arguments, QString inlineValue) : m_arguments(arguments.mid(1))
    {
        if (!inlineValue.isNull())
            m_arguments.prepend(inlineValue);
    }
    qsizetype size() const { return m_arguments.size(); }
    const QString& operator[](qsizetype i) const { return m_arguments[i]; }
    const QStringList& all() const { return m_arguments; }

private:
    QStringList m_arguments;
};

void expectNone(const QString& command, const Operands& operands)
{
    if (operands.size() > 0)
        refuse(
            QStringLiteral("Команде %1 не нужны аргументы: %2.").arg(command, quoted(operands[0])));
}

Request parseRemind(const Operands& operands)
{
    if (operands.size() < 3)
        refuse(QStringLiteral("Команде --remind нужны дата, время и название: "
                              "--remind ДД.ММ.ГГГГ Ч:ММ:СС НАЗВАНИЕ [ТЕКСТ]."));
    if (operands.size() > 4)
        refuse(QStringLiteral("Лишний аргумент %1: название и текст с пробелами берите в кавычки.")
                   .arg(quoted(operands[4])));
    AddReminder r;
    r.date = readDate(operands[0]);
    r.time = readTime(operands[1]);
    r.title = operands[2];
    r.text = operands.size() > 3 ? operands[3] : QString();
    return r;
}

Request parseAction(const Operands& operands, const QString& currentDir)
{
    if (operands.size() < 3)
        refuse(QStringLiteral("Команде --action нужны тип, дата и время: "
                              "--action ТИП ДД.ММ.ГГГГ Ч:ММ:СС [ПУТЬ] [--daily | --days 1,3,5]."));
    AddAction a;
    a.type = timetext::digitField(operands[0], 4);
    if (a.type < SoundFile || a.type > Shutdown)
        refuse(QStringLiteral("%1: тип действия — число от 0 до 4 (0 — звуковой файл, 1 — любой "
                              "файл, 2 — перезагрузка, 3 — выход на экран приветствия, "
                              "4 — выключение компьютера).")
                   .arg(quoted(operands[0])));
    a.date = readDate(operands[1]);
    a.time = readTime(operands[2]);

    QString path;
    bool pathGiven = false;
    bool periodicityGiven = false;
    for (qsizetype i = 3; i < operands.size(); ++i) {
        const QString& arg = operands[i];
        const bool daily = arg == u"--daily";
        const bool days = arg == u"--days" || arg.startsWith(u"--days=");
        if (daily || days) {
            if (periodicityGiven)
                refuse(QStringLiteral("Выберите что-то одно: --daily или --days."));
            periodicityGiven = true;
            if (daily) {
                a.periodicity = EveryDay;
                continue;
            }
            QString value;
            if (arg.startsWith(u"--days="))
                value = arg.mid(7);
            else if (i + 1 < operands.size())
                value = operands[++i];
            a.periodicity = ChosenDays;
            a.days = readDays(value);
        } else if (arg.startsWith(u"--")) {
            refuse(QStringLiteral("Неизвестный ключ %1 у команды --action.").arg(quoted(arg)));
        } else if (pathGiven) {
            refuse(QStringLiteral("Лишний аргумент %1: путь с пробелами берите в кавычки.")
                       .arg(quoted(arg)));
        } else {
            path = arg;
            pathGiven = true;
        }
    }
    if (a.type == SoundFile || a.type == AnyFile) {
        if (!pathGiven)
            refuse(QStringLiteral("Действию «%1» нужен путь к файлу.").arg(typeCaption(a.type)));
        a.path = readPath(a.type, path, currentDir);
    } else {
        if (pathGiven)
            refuse(QStringLiteral("Действию «%1» путь не нужен: %2.")
                       .arg(typeCaption(a.type), quoted(path)));
        a.path = actionLabel(a.type);
    }
    return a;
}

Request parseTemplate(const Operands& operands)
{
    if (operands.size() == 0)
        refuse(QStringLiteral("Команде --in нужно число минут: %1.").arg(templateList()));
    if (operands.size() > 1)
        refuse(QStringLiteral("Лишний аргумент %1.").arg(quoted(operands[1])));
    const int minutes = timetext::digitField(operands[0], 4);
    if (std::find(kTemplateMinutes.begin(), kTemplateMinutes.end(), minutes) ==
        kTemplateMinutes.end())
        refuse(QStringLiteral("%1: выключить можно только через %2 минут.")
                   .arg(quoted(operands[0]), templateList()));
    return StartTemplate{minutes};
}

Request parseRemove(const Operands& operands)
{
    // An action's id holds a space ("07.12.2026 10:30:00"): typed without
    // quotes it arrives as two arguments, and means the same.
    const QString id = operands.all().join(u' ');
    if (operands.size() == 0 || id.isEmpty())
        refuse(QStringLiteral("Команде --remove нужен код действия или напоминания "
                              "(второй столбец --list)."));
    return RemoveEntry{id};
}

Request parse(const QStringList& arguments, const QString& currentDir)
{
    if (arguments.isEmpty())
        return StartClock{};
    QString command = arguments.first();
    QString inlineValue; // null unless written "--name=value"
    if (const qsizetype eq = command.indexOf(u'='); command.startsWith(u"--") && eq > 2) {
        inlineValue = command.mid(eq + 1);
        command.truncate(eq);
    }
    const Operands operands(arguments, inlineValue);
    const bool takesValue = command == u"--in" || command == u"--remove";
    if (!inlineValue.isNull() && !takesValue)
        refuse(QStringLiteral("Команде %1 значение через «=» не дают.").arg(command));

    if (command == u"--help" || command == u"-h")
        return ShowHelp{};
    if (command == u"--remind")
        return parseRemind(operands);
    if (command == u"--action")
        return parseAction(operands, currentDir);
    if (command == u"--in")
        return parseTemplate(operands);
    if (command == u"--remove")
        return parseRemove(operands);
    if (command == u"--abort") {
        expectNone(command, operands);
        return AbortShutdown{};
    }
    if (command == u"--stop-sound") {
        expectNone(command, operands);
        return StopSound{};
    }
    if (command == u"--list") {
        expectNone(command, operands);
        return ListEntries{};
    }
    if (command == u"--reload-options") {
        expectNone(command, operands);
        return ReloadOptions{};
    }
    if (command == u"--take-over") {
        expectNone(command, operands);
        return StartClock{true};
    }
    refuse(QStringLiteral("Неизвестная команда %1.").arg(quoted(arguments.first())));
}

QString daysText(const std::array<bool, 7>& days)
{
    QStringList out;
    for (int i = 0; i < 7; ++i) {
        if (days[i])
            out.append(QString::number(i + 1));
    }
    return out.join(u',');
}

} // namespace

QString actionLabel(int type)
{
    switch (type) {
    case Reboot:
        return QStringLiteral("Перезагрузка");
    case LogOff:
        return QStringLiteral("Выход на экран приветствия");
    case Shutdown:
        return QStringLiteral("Выключение");
    }
    return {};
}

ParseResult parseCommandLine(const QStringList& arguments, const QString& currentDir)
{
    try {
        return {parse(arguments, currentDir), {}};
    } catch (const Refusal& r) {
        return {StartClock{}, r.message};
    }
}

QStringList toArguments(const Request& request)
{
    struct Writer
    {
        QStringList operator()(const StartClock& r) const
        {
            return r.takeOver ? QStringList{QStringLiteral("--take-over")} : QStringList{};
        }
        QStringList operator()(const ShowHelp&) const { return {QStringLiteral("--help")}; }
        QStringList operator()(const AddReminder& r) const
        {
            QStringList out{QStringLiteral("--remind"), timetext::dateToStr(r.date),
                            timetext::timeToStr(r.time), r.title};
            if (!r.text.isEmpty())
                out.append(r.text);
            return out;
        }
        QStringList operator()(const AddAction& r) const
        {
            QStringList out{QStringLiteral("--action"), QString::number(r.type),
                            timetext::dateToStr(r.date), timetext::timeToStr(r.time)};
            if (r.type == SoundFile || r.type == AnyFile)
                out.append(r.path);
            if (r.periodicity == EveryDay)
                out.append(QStringLiteral("--daily"));
            else if (r.periodicity == ChosenDays)
                out << QStringLiteral("--days") << daysText(r.days);
            return out;
        }
        QStringList operator()(const StartTemplate& r) const
        {
            return {QStringLiteral("--in"), QString::number(r.minutes)};
        }
        QStringList operator()(const AbortShutdown&) const { return {QStringLiteral("--abort")}; }
        QStringList operator()(const StopSound&) const { return {QStringLiteral("--stop-sound")}; }
        QStringList operator()(const ListEntries&) const { return {QStringLiteral("--list")}; }
        QStringList operator()(const ReloadOptions&) const
        {
            return {QStringLiteral("--reload-options")};
        }
        QStringList operator()(const RemoveEntry& r) const
        {
            return {QStringLiteral("--remove"), r.id};
        }
    };
    return std::visit(Writer{}, request);
}

QString helpText(const QString& command)
{
    return QStringLiteral(
               "Использование:\n"
               "  %1\n"
               "      запустить часы или, если они уже запущены, показать их\n"
               "  %1 --remind ДД.ММ.ГГГГ Ч:ММ:СС НАЗВАНИЕ [ТЕКСТ]\n"
               "      добавить напоминание\n"
               "  %1 --action ТИП ДД.ММ.ГГГГ Ч:ММ:СС [ПУТЬ] [--daily | --days 1,3,5]\n"
               "      добавить действие. ТИП: 0 — звуковой файл, 1 — любой файл (для них нужен "
               "ПУТЬ),\n"
               "      2 — перезагрузка, 3 — выход на экран приветствия, 4 — выключение "
               "компьютера.\n"
               "      Один раз; --daily — каждый день; --days — в эти дни недели\n"
               "      (1 — понедельник … 7 — воскресенье)\n"
               "  %1 --in МИНУТЫ\n"
               "      выключить компьютер через %2 минут\n"
               "  %1 --abort\n"
               "      прекратить выход из системы\n"
               "  %1 --stop-sound\n"
               "      остановить звук\n"
               "  %1 --list\n"
               "      действия и напоминания, по строке на каждое, через табуляцию:\n"
               "      action, код, дата, время, тип, путь или reminder, код, дата, время, "
               "название\n"
               "  %1 --remove КОД\n"
               "      удалить действие или напоминание с этим кодом (второй столбец --list)\n"
               "  %1 --reload-options\n"
               "      часы перечитывают рамку, положение и картинку из conf.ini\n"
               "  %1 --help\n"
               "      эта справка\n"
               "Дата и время пишутся так, как их показывают часы: 07.12.2026 9:05:00.\n"
               "Коды выхода: 0 — выполнено, 2 — неверные аргументы или отклонённое значение\n"
               "(ничего не записано), 3 — списки не удалось прочитать или записать.\n")
        .arg(command, templateList());
}

QString helpHint(const QString& command)
{
    return QStringLiteral("Справка: %1 --help").arg(command);
}

} // namespace zentari::remote
