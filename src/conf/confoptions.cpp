#include "confoptions.h"

#include "app/paths.h"
#include "platform/conversions.h"
#include "platform/cp1251.h"
#include "platform/error.h"
#include "platform/filelock.h"

#include <QFileInfo>

namespace zentari::conf {

namespace o = zentari::options;

const QList<Option>& allOptions()
{
    static const QList<Option> list = {
        {&o::Color, Kind::Colour, Group::Look, QStringLiteral("Цвет времени и даты")},
        {&o::Picture, Kind::File, Group::Look, QStringLiteral("Картинка фона")},
        {&o::WithBoard, Kind::Flag, Group::Look, QStringLiteral("Рамка вокруг часов"), 0, 0,
         QStringLiteral("1"), QStringLiteral("0"), true},
        {&o::UseAlpha, Kind::Flag, Group::Look, QStringLiteral("Полупрозрачные часы")},
        // The clock's opacity is (value + 127) modulo 256: 128 is opaque, 0 the faintest.
        {&o::AlphaValue, Kind::Integer, Group::Look,
         QStringLiteral("Плотность (128 — непрозрачно, 0 — бледнее всего)"), 0, 255},
        {&o::SavePosition, Kind::Flag, Group::Look, QStringLiteral("Запоминать положение часов")},
        {&o::Left, Kind::Integer, Group::Look, QStringLiteral("Левый край часов, пикселей"), -32768,
         32767},
        {&o::Top, Kind::Integer, Group::Look, QStringLiteral("Верхний край часов, пикселей"),
         -32768, 32767},
        {&o::TraySet, Kind::Flag, Group::Behaviour,
         QStringLiteral("Убирать часы в область уведомлений после запуска"), 0, 0,
         QStringLiteral("1"), QStringLiteral("0"), true},
        {&o::ShowTimeInTitle, Kind::Flag, Group::Behaviour,
         QStringLiteral("Показывать время в заголовке активного окна")},
        {&o::StayOnTop, Kind::Flag, Group::Behaviour,
         QStringLiteral("Поверх всех окон (только запоминается)")},
        {&o::SchemeAck, Kind::Flag, Group::Behaviour,
         QStringLiteral("Короткий сигнал при выборе шаблона выключения")},
        {&o::WidthPan, Kind::Integer, Group::Behaviour,
         QStringLiteral("Высота широкой панели задач, пикселей"), 0, 2000},
        {&o::TimesPlay, Kind::Integer, Group::Signals,
         QStringLiteral("Сколько раз проигрывать звук будильника"), 1, 1000},
        {&o::SoundType, Kind::Flag, Group::Signals,
         QStringLiteral("Напоминание звучит звуковым файлом (иначе — сигналом)"), 0, 0,
         QStringLiteral("1"), QStringLiteral("0"), true},
        {&o::SoundFileName, Kind::File, Group::Signals,
         QStringLiteral("Звуковой файл напоминания")},
        // The range of the PC speaker's beep.
        {&o::BeepHz, Kind::Integer, Group::Signals, QStringLiteral("Высота сигнала, Гц"), 37,
         32767},
        {&o::BeepMs, Kind::Integer, Group::Signals, QStringLiteral("Длительность сигнала, мс"), 1,
         60000},
        {&o::On, Kind::Flag, Group::Alarms, QStringLiteral("Будильники и напоминания включены"), 0,
         0, QStringLiteral("yes"), QStringLiteral("no")},
    };
    return list;
}

const Option* findOption(QStringView name)
{
    for (const Option& option : allOptions()) {
        if (option.key->name.compare(name, Qt::CaseInsensitive) == 0)
            return &option;
    }
    return nullptr;
}

QString groupTitle(Group group)
{
    switch (group) {
    case Group::Look:
        return QStringLiteral("Вид часов");
    case Group::Behaviour:
        return QStringLiteral("Поведение");
    case Group::Signals:
        return QStringLiteral("Сигналы");
    case Group::Alarms:
        return QStringLiteral("Будильники");
    }
    return {};
}

bool flagIsOn(const Option& option, const QString& value)
{
    return option.anyOtherIsOn ? value != option.offValue : value == option.onValue;
}

QString valueProblem(const Option& option, const QString& value)
{
    if (const QString problem = storableValueProblem(value); !problem.isEmpty())
        return problem;
    switch (option.kind) {
    case Kind::Flag:
        // The clock compares exact texts: "Yes" or "01" would silently count as off.
        if (value != option.onValue && value != option.offValue)
            return QStringLiteral("«%1»: допустимы только «%2» (включено) и «%3» (выключено); "
                                  "часы сочтут это за «%4».")
                .arg(value, option.onValue, option.offValue,
                     flagIsOn(option, value) ? QStringLiteral("включено")
                                             : QStringLiteral("выключено"));
        return {};
    case Kind::Integer: {
        int number = 0;
        try {
            number = conv::strToInt(value);
        } catch (const ConvertError&) {
            return QStringLiteral("«%1» — не целое число.").arg(value);
        }
        if (number < option.minimum || number > option.maximum)
            return QStringLiteral("%1 — вне допустимых пределов (от %2 до %3).")
                .arg(value)
                .arg(option.minimum)
                .arg(option.maximum);
        return {};
    }
    case Kind::Colour: {
        unsigned int colour = 0;
        try {
            colour = conv::stringToColor(value);
        } catch (const ConvertError&) {
            return QStringLiteral("«%1» — не цвет (нужно число от 0 до 16777215).").arg(value);
        }
        if (colour > 0xFFFFFF)
            return QStringLiteral("«%1» — не цвет (нужно число от 0 до 16777215).").arg(value);
        return {};
    }
    case Kind::File:
        if (value.trimmed().isEmpty())
            return QStringLiteral("Имя файла пусто.");
        return {};
    }
    return {};
}

ConfigFile::ConfigFile(QString programDir)
    : m_programDir(std::move(programDir)), m_ini(paths::confPath(m_programDir))
{
}

QString ConfigFile::path() const
{
    return paths::confPath(m_programDir);
}

QString ConfigFile::defaultValue(const Option& option) const
{
    return option.key->defaultIsDataFile ? paths::resolve(m_programDir, option.key->defaultValue)
                                         : option.key->defaultValue.toString();
}

bool ConfigFile::isSet(const Option& option) const
{
    // A sentinel no file can hold: a NUL never survives a line of conf.ini.
    static const QString missing(QChar(0));
    return m_ini.readString(option.key->section, option.key->name, missing) != missing;
}

QString ConfigFile::value(const Option& option) const
{
    return o::read(m_ini, *option.key, m_programDir);
}

void ConfigFile::set(const QList<std::pair<const Option*, QString>>& values)
{
    for (const auto& [option, value] : values) {
        if (const QString problem = valueProblem(*option, value); !problem.isEmpty())
            throw Error(
                QStringLiteral("%1 (%2): %3").arg(option->key->name, option->label, problem));
    }
    // One write per section; the sections' own spellings ("Options Big" for
    // TimesPlay) name the same section, so they are gathered by folded name.
    QList<std::pair<QString, QList<std::pair<QString, QString>>>> bySection;
    for (const auto& [option, value] : values) {
        const QString section = option->key->section.toString();
        auto it = std::find_if(bySection.begin(), bySection.end(), [&](const auto& s) {
            return s.first.compare(section, Qt::CaseInsensitive) == 0;
        });
        if (it == bySection.end()) {
            bySection.append({section, {}});
            it = bySection.end() - 1;
        }
        it->second.append({option->key->name.toString(), value});
    }
    // One lock over every section, so that the set is one change for other writers.
    const FileLock lock(m_ini.lockPath(), QStringLiteral("Файл «%1»").arg(path()));
    for (const auto& [section, keys] : bySection)
        m_ini.writeSection(section, keys);
}

void ConfigFile::unset(const Option& option)
{
    m_ini.deleteKey(option.key->section, option.key->name);
}

QStringList ConfigFile::check() const
{
    QStringList problems;
    if (const QString problem = readProblem(); !problem.isEmpty())
        return {problem};
    for (const Option& option : allOptions()) {
        if (!isSet(option))
            continue;
        const QString stored = value(option);
        QString problem = valueProblem(option, stored);
        if (problem.isEmpty() && option.kind == Kind::File &&
            !QFileInfo(paths::resolve(m_programDir, stored)).isFile())
            problem = QStringLiteral("файл «%1» не найден; часы возьмут «%2».")
                          .arg(stored, defaultValue(option));
        if (!problem.isEmpty())
            problems.append(QStringLiteral("[%1] %2 (%3): %4")
                                .arg(option.key->section, option.key->name, option.label, problem));
    }
    return problems;
}

QStringList ConfigFile::listing() const
{
    QStringList lines;
    for (const Option& option : allOptions())
        lines.append(QStringList{option.key->section.toString(), option.key->name.toString(),
                                 value(option), defaultValue(option)}
                         .join(u'\t'));
    return lines;
}

} // namespace zentari::conf
