#include "actionediting.h"

#include "core/cp1251.h"
#include "core/error.h"
#include "core/timetext.h"

namespace zentari {
namespace actionediting {
namespace {
constexpr std::array<QStringView, 7> kDayNames = {u"Пон", u"Вт",  u"Ср",   u"Чет",
                                                  u"Пят", u"Суб", u"Воскр"};
// What the path box holds before the user has chosen a file.
constexpr QStringView kInitialPath = u"Путь до файла";
constexpr QStringView kFilePrompt = u"Выберите файл!!!!";
} // namespace

QStringList typeCaptions()
{
    return {QStringLiteral("0. Звуковой файл"), QStringLiteral("1. Любой файл"),
            QStringLiteral("2. Перезагрузка"), QStringLiteral("3. Выход на экран приветствия"),
            QStringLiteral("4. Выключение компьютера")};
}

QString pathLabel(int typeCode)
{
    switch (typeCode) {
    case int(ActionType::Reboot):
        return QStringLiteral("Перезагрузка");
    case int(ActionType::LogOff):
        return QStringLiteral("Выход на экран приветствия");
    case int(ActionType::Shutdown):
        return QStringLiteral("Выключение");
    default:
        return {};
    }
}

bool isFileType(int typeCode)
{
    return typeCode < int(ActionType::Reboot) || typeCode > int(ActionType::Shutdown);
}

QString weekdayLine(const std::array<bool, 7>& days)
{
    QString line;
    for (int day = 0; day < 7; ++day)
        if (days[day])
            line += QStringLiteral(" ,") + kDayNames[day];
    return line;
}

QStringList fileFilters(int typeCode)
{
    if (typeCode == int(ActionType::SoundFile))
        return {QStringLiteral("Все доступные звуковые файлы (*.*mp3;*.*wav;*.*mid) "
                               "(*.mp3 *.wav *.mid)"),
                QStringLiteral("mp3 (*.*mp3) (*.mp3)"), QStringLiteral("Wav (*.*wav) (*.wav)"),
                QStringLiteral("Midi (*.*mid) (*.mid)")};
    return {QStringLiteral("Все доступные для запуска файлы (*.*) (*)"),
            QStringLiteral("exe (*.*exe) (*.exe)"), QStringLiteral("bat (*.*bat) (*.bat)"),
            QStringLiteral("com (*.*com) (*.com)")};
}

QString fieldsProblem(const ActionFields& fields,
                      const std::function<bool(const QString&)>& fileExists)
{
    if (fields.typeCode < int(ActionType::SoundFile) || fields.typeCode > int(ActionType::Shutdown))
        return QStringLiteral("Выберите действие в списке «Здесь выберите действие».");
    if (!fields.time.isValid() || !fields.date.isValid())
        return QStringLiteral("Укажите время и дату выполнения.");
    if (isFileType(fields.typeCode)) {
        const QString& path = fields.pathText;
        if (path.trimmed().isEmpty() || path == kFilePrompt || path == kInitialPath)
            return fields.typeCode == int(ActionType::SoundFile)
                       ? QStringLiteral("Выберите звуковой файл кнопкой «Обзор».")
                       : QStringLiteral("Выберите файл кнопкой «Обзор».");
        const QString problem = storableValueProblem(path);
        if (!problem.isEmpty())
            return QStringLiteral("Путь до файла нельзя сохранить. ") + problem;
        if (!fileExists(path))
            return QStringLiteral("Файл «%1» не найден. Выберите существующий файл кнопкой "
                                  "«Обзор».")
                .arg(path);
    }
    return {};
}

ScheduledAction toScheduledAction(const ActionFields& fields, const PeriodicityChoice& choice)
{
    ScheduledAction a;
    a.typeCode = fields.typeCode;
    a.pathText = fields.pathText;
    a.timeText = timetext::timeToStr(fields.time);
    a.dateText = timetext::dateToStr(fields.date);
    a.actionId = ActionStore::makeActionId(fields.date, fields.time);
    a.period = choice.code;
    a.days = choice.days;
    return a;
}

} // namespace actionediting

ActionEditing::ActionEditing(QString programDir) : m_store(std::move(programDir)) {}

void ActionEditing::openStore()
{
    m_store.openStore();
}

void ActionEditing::loadAll()
{
    m_store.loadAll();
}

void ActionEditing::release()
{
    cancelChange();
    m_store.clear();
    m_store.config() = IniFile();
}

QString ActionEditing::weekdayLineAt(int position)
{
    const QString& id = m_store.records().line(position, &ActionRecord::id);
    return actionediting::weekdayLine(
        ActionStore::storedDays(m_store.config(), ActionStore::sectionName(id)));
}

PeriodicityChoice ActionEditing::periodicityAt(int position)
{
    const QString section =
        ActionStore::sectionName(m_store.records().line(position, &ActionRecord::id));
    // Without the key the tick runs the action every day (and once more on its
    // date); a code the dialog cannot show never runs, which "once" comes nearest to.
    const PeriodChecks stored = ActionStore::storedPeriod(m_store.config(), section);
    PeriodicityChoice choice;
    choice.code = stored.everyDay     ? int(Periodicity::EveryDay)
                  : stored.chosenDays ? int(Periodicity::ChosenDays)
                                      : int(Periodicity::Once);
    choice.chosen = true;
    choice.days = ActionStore::storedDays(m_store.config(), section);
    return choice;
}

void ActionEditing::beginChange(int position)
{
    const RecordList<ActionRecord>& records = m_store.records();
    if (position < 0 || position >= records.lines(&ActionRecord::id)) {
        cancelChange();
        return;
    }
    m_changingPosition = position;
    m_changingId = records[position].id;
}

void ActionEditing::cancelChange()
{
    m_changingPosition = -1;
    m_changingId = QString();
}

bool ActionEditing::removeAt(int position)
{
    const RecordList<ActionRecord>& records = m_store.records();
    if (position < 0 || position >= records.lines(&ActionRecord::id))
        return false;
    return m_store.removeAt(position, records[position].id);
}

QString ActionEditing::save(const ActionFields& fields, const PeriodicityChoice& choice,
                            const std::function<bool(const QString&)>& fileExists)
{
    const QString problem = actionediting::fieldsProblem(fields, fileExists);
    if (!problem.isEmpty())
        throw Error(problem);
    const ScheduledAction action = actionediting::toScheduledAction(fields, choice);
    if (!changing())
        return m_store.appendAction(action, choice.chosen);
    // One change of the store: should the new values fail to be written, the
    // old action is still there.
    const QString id = m_store.replaceAt(m_changingPosition, m_changingId, action, choice.chosen);
    cancelChange();
    return id;
}

} // namespace zentari
