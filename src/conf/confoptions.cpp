#include "confoptions.h"

#include "core/paths.h"
#include "core/conversions.h"
#include "core/cp1251.h"
#include "core/error.h"
#include "core/filelock.h"

#include <QFileInfo>
#include <limits>

namespace zentari::conf {

namespace o = zentari::options;

const QList<Option>& allOptions()
{
    constexpr int intMin = std::numeric_limits<int>::min();
    constexpr int intMax = std::numeric_limits<int>::max();
    static const QList<Option> list = {
        {.key = &o::Color,
         .kind = Kind::Colour,
         .group = Group::Look,
         .label = QStringLiteral("Цвет времени и даты")},
        {.key = &o::Picture,
         .kind = Kind::File,
         .group = Group::Look,
         .label = QStringLiteral("Картинка фона")},
        {.key = &o::WithBoard,
         .kind = Kind::Flag,
         .group = Group::Look,
         .label = QStringLiteral("Рамка вокруг часов"),
         .anyOtherIsOn = true},
        {.key = &o::UseAlpha,
         .kind = Kind::Flag,
         .group = Group::Look,
         .label = QStringLiteral("Полупрозрачные часы")},
        // The clock's opacity is (value + 127) modulo 256: 128 is opaque, 0
        // the faintest, and 129 wraps round to an invisible clock.
        {.key = &o::AlphaValue,
         .kind = Kind::Integer,
         .group = Group::Look,
         .label = QStringLiteral("Плотность: от 0 (бледнее всего) до 128 (непрозрачно)"),
         .minimum = 0,
         .maximum = 255,
         .windowMaximum = 128,
         .warnAbove = 128,
         .warning = QStringLiteral("выше 128 часы снова бледнеют, а при 129 совсем не видны "
                                   "(непрозрачность — (значение + 127) по модулю 256).")},
        {.key = &o::SavePosition,
         .kind = Kind::Flag,
         .group = Group::Look,
         .label = QStringLiteral("Запоминать положение часов")},
        {.key = &o::Left,
         .kind = Kind::Integer,
         .group = Group::Look,
         .label = QStringLiteral("Левый край часов, пикселей"),
         .minimum = -32768,
         .maximum = 32767},
        {.key = &o::Top,
         .kind = Kind::Integer,
         .group = Group::Look,
         .label = QStringLiteral("Верхний край часов, пикселей"),
         .minimum = -32768,
         .maximum = 32767},
        {.key = &o::TraySet,
         .kind = Kind::Flag,
         .group = Group::Behaviour,
         .label = QStringLiteral("Убирать часы в область уведомлений после запуска"),
         .anyOtherIsOn = true},
        {.key = &o::ShowTimeInTitle,
         .kind = Kind::Flag,
         .group = Group::Behaviour,
         .label = QStringLiteral("Показывать время в заголовке активного окна")},
        {.key = &o::StayOnTop,
         .kind = Kind::Flag,
         .group = Group::Behaviour,
         .label = QStringLiteral("Поверх всех окон (только запоминается)")},
        {.key = &o::SchemeAck,
         .kind = Kind::Flag,
         .group = Group::Behaviour,
         .label = QStringLiteral("Короткий сигнал при выборе шаблона выключения")},
        {.key = &o::WidthPan,
         .kind = Kind::Integer,
         .group = Group::Behaviour,
         .label = QStringLiteral("Высота широкой панели задач, пикселей"),
         .minimum = 0,
         .maximum = 2000},
        // The clock repeats until the sound is stopped for 0 and below; the
        // window shows them all as its lowest value.
        {.key = &o::TimesPlay,
         .kind = Kind::Integer,
         .group = Group::Signals,
         .label = QStringLiteral("Сколько раз проигрывать звук будильника"),
         .minimum = intMin,
         .maximum = intMax,
         .windowMinimum = 0,
         .minimumText = QStringLiteral("без конца, пока не остановят")},
        {.key = &o::SoundType,
         .kind = Kind::Flag,
         .group = Group::Signals,
         .label = QStringLiteral("Напоминание звучит звуковым файлом (иначе — сигналом)"),
         .anyOtherIsOn = true},
        {.key = &o::SoundFileName,
         .kind = Kind::File,
         .group = Group::Signals,
         .label = QStringLiteral("Звуковой файл напоминания")},
        // The range of the PC speaker's beep.
        {.key = &o::BeepHz,
         .kind = Kind::Integer,
         .group = Group::Signals,
         .label = QStringLiteral("Высота сигнала, Гц"),
         .minimum = 37,
         .maximum = 32767},
        {.key = &o::BeepMs,
         .kind = Kind::Integer,
         .group = Group::Signals,
         .label = QStringLiteral("Длительность сигнала, мс"),
         .minimum = 1,
         .maximum = 60000},
        {.key = &o::On,
         .kind = Kind::Flag,
         .group = Group::Alarms,
         .label = QStringLiteral("Будильники и напоминания включены"),
         .onValue = QStringLiteral("yes"),
         .offValue = QStringLiteral("no")},
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
        const QString refused =
            QStringLiteral("«%1» — не цвет (нужно число от 0 до 16777215).").arg(value);
        try {
            (void)conv::stringToColor(value); // a colour name, or a number below
        } catch (const ConvertError&) {
            return refused;
        }
        // The clock keeps the low 24 bits of any number, so -1 or 16777216
        // would silently become another colour.
        try {
            const int number = conv::strToInt(value);
            if (number < 0 || number > 0xFFFFFF)
                return refused;
        } catch (const ConvertError&) {
        }
        return {};
    }
    case Kind::File:
        if (value.trimmed().isEmpty())
            return QStringLiteral("Имя файла пусто.");
        return {};
    }
    return {};
}

QString valueWarning(const Option& option, const QString& value)
{
    if (!option.warnAbove || option.kind != Kind::Integer)
        return {};
    try {
        if (conv::strToInt(value) > *option.warnAbove)
            return QStringLiteral("%1: %2").arg(value, option.warning);
    } catch (const ConvertError&) {
    }
    return {};
}

QString effectiveValue(const Option& option, const QString& stored, const QString& defaultValue,
                       const QString& programDir)
{
    switch (option.kind) {
    case Kind::Flag:
        return flagIsOn(option, stored) ? option.onValue : option.offValue;
    case Kind::Integer:
        try {
            return QString::number(conv::strToInt(stored));
        } catch (const ConvertError&) {
            return defaultValue;
        }
    case Kind::Colour:
        try {
            return QString::number(conv::stringToColor(stored));
        } catch (const ConvertError&) {
            return defaultValue;
        }
    case Kind::File:
        // A picture or sound that cannot be opened: the clock takes the bundled one.
        return QFileInfo(paths::resolve(programDir, stored)).isFile() ? stored : defaultValue;
    }
    return stored;
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

QString ConfigFile::stored(const Option& option) const
{
    return o::read(m_ini, *option.key, m_programDir);
}

QString ConfigFile::value(const Option& option) const
{
    return effectiveValue(option, stored(option), defaultValue(option), m_programDir);
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
        const QString text = stored(option);
        QString problem = valueProblem(option, text);
        if (problem.isEmpty() && option.kind == Kind::File &&
            !QFileInfo(paths::resolve(m_programDir, text)).isFile())
            problem = QStringLiteral("файл «%1» не найден; часы возьмут «%2».")
                          .arg(text, defaultValue(option));
        if (!problem.isEmpty())
            problems.append(QStringLiteral("[%1] %2 (%3): %4")
                                .arg(option.key->section, option.key->name, option.label, problem));
    }
    return problems;
}

QStringList ConfigFile::warnings() const
{
    QStringList lines;
    for (const Option& option : allOptions()) {
        if (!isSet(option))
            continue;
        if (const QString warning = valueWarning(option, stored(option)); !warning.isEmpty())
            lines.append(QStringLiteral("[%1] %2 (%3): %4")
                             .arg(option.key->section, option.key->name, option.label, warning));
    }
    return lines;
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
