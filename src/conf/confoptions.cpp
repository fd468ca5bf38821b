#include "confoptions.h"

#include "core/conversions.h"
#include "core/cp1251.h"
#include "core/error.h"
#include "core/filelock.h"
#include "core/paths.h"

#include <QFileInfo>

namespace zentari::conf {

namespace o = zentari::options;

const QList<Option>& allOptions()
{
    static const QList<Option> list = {
        {.key = &o::Color, .group = Group::Look, .label = QStringLiteral("Цвет времени и даты")},
        {.key = &o::Picture, .group = Group::Look, .label = QStringLiteral("Картинка фона")},
        {.key = &o::WithBoard, .group = Group::Look, .label = QStringLiteral("Рамка вокруг часов")},
        {.key = &o::UseAlpha, .group = Group::Look, .label = QStringLiteral("Полупрозрачные часы")},
        // The clock's opacity is (value + 127) modulo 256: 128 is opaque, 0
        // the faintest, and 129 wraps round to an invisible clock.
        {.key = &o::AlphaValue,
         .group = Group::Look,
         .label = QStringLiteral("Плотность: от 0 (бледнее всего) до 128 (непрозрачно)"),
         .windowMaximum = 128,
         .warnAbove = 128,
         .warning = QStringLiteral("выше 128 часы снова бледнеют, а при 129 совсем не видны "
                                   "(непрозрачность — (значение + 127) по модулю 256).")},
        {.key = &o::SavePosition,
         .group = Group::Look,
         .label = QStringLiteral("Запоминать положение часов")},
        {.key = &o::Left,
         .group = Group::Look,
         .label = QStringLiteral("Левый край часов, пикселей")},
        {.key = &o::Top,
         .group = Group::Look,
         .label = QStringLiteral("Верхний край часов, пикселей")},
        {.key = &o::TraySet,
         .group = Group::Behaviour,
         .label = QStringLiteral("Убирать часы в область уведомлений после запуска")},
        {.key = &o::ShowTimeInTitle,
         .group = Group::Behaviour,
         .label = QStringLiteral("Показывать время в заголовке активного окна")},
        {.key = &o::StayOnTop,
         .group = Group::Behaviour,
         .label = QStringLiteral("Поверх всех окон (только запоминается)")},
        {.key = &o::SchemeAck,
         .group = Group::Behaviour,
         .label = QStringLiteral("Короткий сигнал при выборе шаблона выключения")},
        {.key = &o::WidthPan,
         .group = Group::Behaviour,
         .label = QStringLiteral("Высота широкой панели задач, пикселей")},
        // The clock repeats until the sound is stopped for 0 and below; the
        // window shows them all as its lowest value.
        {.key = &o::TimesPlay,
         .group = Group::Signals,
         .label = QStringLiteral("Сколько раз проигрывать звук будильника"),
         .windowMinimum = 0,
         .minimumText = QStringLiteral("без конца, пока не остановят")},
        {.key = &o::RingMinutes,
         .group = Group::Signals,
         .label = QStringLiteral("Останавливать звук будильника через, мин"),
         .minimumText = QStringLiteral("не останавливать по времени")},
        {.key = &o::FadeInSeconds,
         .group = Group::Signals,
         .label = QStringLiteral("Плавно нарастающая громкость в начале звука, с"),
         .minimumText = QStringLiteral("сразу в полную силу")},
        {.key = &o::Notifications,
         .group = Group::Signals,
         .label = QStringLiteral("Уведомления рабочего стола о напоминаниях и будильниках")},
        {.key = &o::SoundType,
         .group = Group::Signals,
         .label = QStringLiteral("Напоминание звучит звуковым файлом (иначе — сигналом)")},
        {.key = &o::SoundFileName,
         .group = Group::Signals,
         .label = QStringLiteral("Звуковой файл напоминания")},
        {.key = &o::BeepHz, .group = Group::Signals, .label = QStringLiteral("Высота сигнала, Гц")},
        {.key = &o::BeepMs,
         .group = Group::Signals,
         .label = QStringLiteral("Длительность сигнала, мс")},
        {.key = &o::On,
         .group = Group::Alarms,
         .label = QStringLiteral("Будильники и напоминания включены")},
        {.key = &o::WakeForAlarms,
         .group = Group::Alarms,
         .label = QStringLiteral("Будить компьютер за минуту до будильника или напоминания")},
        {.key = &o::MissedGrace,
         .group = Group::Alarms,
         .label = QStringLiteral("Пропущенный звук или файл выполнять с опозданием до, мин"),
         .minimumText = QStringLiteral("никогда")},
        {.key = &o::SnoozeMinutes,
         .group = Group::Alarms,
         .label = QStringLiteral("Откладывать напоминание на, мин")},
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

QString valueProblem(const Option& option, const QString& value)
{
    if (const QString problem = storableValueProblem(value); !problem.isEmpty())
        return problem;
    const o::Key& key = *option.key;
    switch (key.reading) {
    case o::Reading::OnWhenOnText:
    case o::Reading::OnUnlessOffText:
        // The clock compares exact texts: "Yes" or "01" would silently count as off.
        if (value != key.onText && value != key.offText)
            return QStringLiteral("«%1»: допустимы только «%2» (включено) и «%3» (выключено); "
                                  "часы сочтут это за «%4».")
                .arg(value, key.onText, key.offText,
                     o::isOn(key, value) ? QStringLiteral("включено")
                                         : QStringLiteral("выключено"));
        return {};
    case o::Reading::Integer: {
        int number = 0;
        try {
            number = conv::strToInt(value);
        } catch (const ConvertError&) {
            return QStringLiteral("«%1» — не целое число.").arg(value);
        }
        if (number < key.minimum || number > key.maximum)
            return QStringLiteral("%1 — вне допустимых пределов (от %2 до %3).")
                .arg(value)
                .arg(key.minimum)
                .arg(key.maximum);
        return {};
    }
    case o::Reading::Colour: {
        const QString refused = QStringLiteral("«%1» — не цвет (нужно число от %2 до %3).")
                                    .arg(value)
                                    .arg(key.minimum)
                                    .arg(key.maximum);
        try {
            (void)conv::stringToColor(value); // a colour name, or a number below
        } catch (const ConvertError&) {
            return refused;
        }
        try {
            const int number = conv::strToInt(value);
            if (number < key.minimum || number > key.maximum)
                return refused;
        } catch (const ConvertError&) {
        }
        return {};
    }
    case o::Reading::File:
        if (value.trimmed().isEmpty())
            return QStringLiteral("Имя файла пусто.");
        return {};
    }
    return {};
}

QString valueWarning(const Option& option, const QString& value)
{
    if (!option.warnAbove || option.key->reading != o::Reading::Integer)
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
    const o::Key& key = *option.key;
    switch (key.reading) {
    case o::Reading::OnWhenOnText:
    case o::Reading::OnUnlessOffText:
        return (o::isOn(key, stored) ? key.onText : key.offText).toString();
    case o::Reading::Integer:
        try {
            return QString::number(conv::strToInt(stored));
        } catch (const ConvertError&) {
            return defaultValue;
        }
    case o::Reading::Colour:
        try {
            return QString::number(conv::stringToColor(stored));
        } catch (const ConvertError&) {
            return defaultValue;
        }
    case o::Reading::File:
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
    return m_ini.value(option.key->section, option.key->name).has_value();
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
        if (problem.isEmpty() && option.key->reading == o::Reading::File &&
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
