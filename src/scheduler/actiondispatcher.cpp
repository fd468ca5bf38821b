#include "actiondispatcher.h"

#include "actionstore.h"
#include "core/conversions.h"
#include "core/error.h"
#include "core/options.h"
#include "core/paths.h"

#include <algorithm>

namespace zentari {

const QString ActionDispatcher::kShutdownMessage =
    QStringLiteral("Сейчас произойдёт запланированое выключение компьютера. Zentari ");
const QString ActionDispatcher::kRebootMessage =
    QStringLiteral("Сейчас произойдёт запланированая перезагрузка компьютера. Zentari ");

ActionDispatcher::ActionDispatcher(const DispatchSource& source, const Services& services,
                                   ErrorReport& report)
    : m_source(source), m_services(services), m_report(report)
{
}

QString ActionDispatcher::read(const QString& section, QStringView key, const QString& def) const
{
    return m_source.configStore().readString(section, key, def);
}

int ActionDispatcher::readNumber(const options::Key& key)
{
    const QString text = options::read(m_source.configStore(), key, m_source.programDir());
    try {
        return conv::strToInt(text);
    } catch (const ConvertError&) {
        m_report.reportOnce(QStringLiteral("Значение «%1» ключа %2 не является числом; "
                                           "используется %3.")
                                .arg(text, key.name, key.defaultValue));
        return conv::strToInt(key.defaultValue.toString());
    }
}

void ActionDispatcher::refreshIndex()
{
    const quint64 revision = m_source.configStore().revision();
    const QStringList& ids = m_source.actionIds();
    const qsizetype count = m_source.actionCount();
    bool listsChanged = count != m_index.count;
    if (!listsChanged && !ids.isSharedWith(m_index.ids)) {
        listsChanged = ids != m_index.ids;
        m_index.ids = ids; // share again, so the next comparison is free
    }
    if (!listsChanged && revision == m_index.revision)
        return;
    m_index.positions.clear();
    const qsizetype n = std::min(count, ids.size());
    m_index.positions.reserve(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        m_index.positions.emplace_back(
            qHash(read(ActionStore::sectionName(ids[i]), u"Time", QStringLiteral("00:00:01")), 0),
            i);
    std::sort(m_index.positions.begin(), m_index.positions.end());
    m_index.ids = ids;
    m_index.count = count;
    m_index.revision = revision;
}

namespace {
// The position in kDayKeys of the clock's weekday text, "1" Sunday to "7"
// Saturday; -1 for any other text.
int dayOfWeekdayText(const QString& weekdayText)
{
    for (int k = 1; k <= 7; ++k) {
        if (weekdayText == QString::number(k))
            return (k + 5) % 7;
    }
    return -1;
}
} // namespace

void ActionDispatcher::dispatchActions(const QString& timeText, const QString& dateText,
                                       const QString& weekdayText)
{
    if (m_source.actionIds().size() < m_source.actionCount())
        m_report.reportOnce(QStringLiteral("Список действий повреждён: в «data\\1Ids.zdt» "
                                           "строк меньше (%1), чем в «data\\1Paths.zdt» (%2).")
                                .arg(m_source.actionIds().size())
                                .arg(m_source.actionCount()));
    refreshIndex();
    const size_t key = qHash(timeText, 0);
    const auto [first, last] = std::equal_range(
        m_index.positions.begin(), m_index.positions.end(), std::pair(key, qsizetype(0)),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    if (first == last)
        return;
    // A copy: performing an action may change the lists and so the index.
    QList<qsizetype> due;
    for (auto it = first; it != last; ++it)
        due.append(it->second);
    for (qsizetype i : due) {
        // The lists' counts are asked anew before each action, as they may shrink meanwhile.
        if (i >= m_source.actionCount() || i >= m_source.actionIds().size())
            break;
        const QString section = ActionStore::sectionName(m_source.actionIds()[i]);
        if (read(section, u"Time", QStringLiteral("00:00:01")) != timeText)
            continue;
        // The three checks do not exclude one another.
        const PeriodChecks period = ActionStore::storedPeriod(m_source.configStore(), section);
        if (period.once && read(section, u"Date", QStringLiteral("01.01.1901")) == dateText)
            performAction(section);
        if (period.everyDay)
            performAction(section);
        if (period.chosenDays) {
            const int day = dayOfWeekdayText(weekdayText);
            if (day >= 0 && ActionStore::storedDays(m_source.configStore(), section)[day])
                performAction(section);
        }
    }
}

void ActionDispatcher::performAction(const QString& section)
{
    const QString defaultPath = paths::resolve(m_source.programDir(), u"data\\music.mp3");
    const QString zero = QStringLiteral("0");
    if (read(section, u"Action", zero) == u"1") {
        m_lastRunPath = read(section, u"Path", defaultPath);
        m_services.shell->open(m_lastRunPath, QString(), QString());
    }
    if (read(section, u"Action", zero) == u"0")
        startAlarmSound(read(section, u"Path", defaultPath));
    if (read(section, u"Action", zero) == u"4") {
        requestPower(PowerAction::PowerOff, kShutdownMessage);
        if (onCancelShutdownAvailable)
            onCancelShutdownAvailable();
    }
    if (read(section, u"Action", zero) == u"2")
        requestPower(PowerAction::Reboot, kRebootMessage);
    if (read(section, u"Action", zero) == u"3") {
        m_services.power->logOff();
        if (onCancelShutdownAvailable)
            onCancelShutdownAvailable();
    }
    if (onActionPerformed)
        onActionPerformed(section.mid(QStringView(u"Action").size()),
                          read(section, u"Action", zero).toInt());
}

void ActionDispatcher::requestPower(PowerAction action, const QString& message)
{
    if (m_services.power->scheduleShutdown(action, kShutdownDelaySeconds, message)) {
        if (onShutdownScheduled)
            onShutdownScheduled(action, kShutdownDelaySeconds, message);
        return;
    }
    // The system would not take the request: the one-second error beep says so.
    m_services.beeper->beep(1000, 1000);
}

void ActionDispatcher::startSound(const QString& file)
{
    playFirst(file, 0);
}

void ActionDispatcher::startAlarmSound(const QString& file)
{
    // A hand-edited value beyond the range would keep the alarm near silent for minutes.
    playFirst(file,
              std::clamp(readNumber(options::FadeInSeconds), 0, options::FadeInSeconds.maximum));
    m_alarmFile = file;
}

void ActionDispatcher::playFirst(const QString& file, int fadeInSeconds)
{
    MediaPlayer& player = *m_services.player;
    m_alarmFile.clear();
    const auto play = [&] {
        if (fadeInSeconds > 0)
            player.playFadingIn(fadeInSeconds);
        else
            player.play();
    };
    try {
        player.open(file);
        play();
    } catch (const Error&) {
        player.open(paths::resolve(m_source.programDir(), u"data\\music.mp3"));
        play();
    }
    m_playCount = 0;
    m_ringing = true;
    if (m_services.clock)
        m_soundStarted = m_services.clock->now();
}

void ActionDispatcher::repeatSound()
{
    const MediaPlayer::Mode mode = m_services.player->mode();
    if (mode == MediaPlayer::Mode::NotOpen || !m_ringing)
        return;
    const int ringMinutes = readNumber(options::RingMinutes);
    if (ringMinutes > 0 && m_services.clock &&
        m_soundStarted.secsTo(m_services.clock->now()) >= ringMinutes * 60LL) {
        stopSound();
        return;
    }
    if (mode != MediaPlayer::Mode::Stopped)
        return;
    const int timesPlay = readNumber(options::TimesPlay);
    if (qint64(m_playCount) != qint64(timesPlay) - 1) { // no overflow at the integer limit
        m_services.player->play();
        ++m_playCount;
    } else {
        // Heard out: the ring limit must not later cut a beep that sounds by then.
        m_ringing = false;
    }
}

bool ActionDispatcher::soundPlaying() const
{
    // A beep of up to a minute sounds beside the tick, so it can be stopped too.
    return m_services.player->mode() == MediaPlayer::Mode::Playing || m_services.beeper->sounding();
}

QString ActionDispatcher::alarmSoundFile() const
{
    return m_services.player->mode() == MediaPlayer::Mode::Playing ? m_alarmFile : QString();
}

void ActionDispatcher::stopSound()
{
    m_alarmFile.clear();
    m_ringing = false;
    // A closed player is neither playing nor stopped, which ends the repeats.
    m_services.player->close();
    m_services.beeper->stop();
}

void ActionDispatcher::alertSound()
{
    const QString programDir = m_source.programDir();
    if (!options::isOn(m_source.configStore(), options::SoundType)) {
        const int duration = readNumber(options::BeepMs);
        const int frequency = readNumber(options::BeepHz);
        m_services.beeper->beep(frequency, duration);
        return;
    }
    startSound(options::read(m_source.configStore(), options::SoundFileName, programDir));
}

} // namespace zentari
