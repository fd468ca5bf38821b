#include "awakekeeper.h"

#include "core/timetext.h"
#include "platform/sleepservice.h"
#include "scheduler/actiondispatcher.h"
#include "scheduler/actionstore.h"
#include "session/upcoming.h"

namespace zentari {

AwakeKeeper::AwakeKeeper(SleepService* sleep, const DispatchSource& actions)
    : m_sleep(sleep), m_actions(actions)
{
}

QString AwakeKeeper::reason(int type, const QDateTime& due, QDate today)
{
    QString what;
    switch (ActionType(type)) {
    case ActionType::Reboot:
        what = QStringLiteral("Перезагрузка компьютера");
        break;
    case ActionType::LogOff:
        what = QStringLiteral("Выход из системы");
        break;
    default:
        what = QStringLiteral("Выключение компьютера");
        break;
    }
    QString text = what + QStringLiteral(" в ") + timetext::timeToStr(due.time());
    // A once-only action may be days ahead: the time alone would mislead.
    if (due.date() != today)
        text += u' ' + timetext::dateToStr(due.date());
    return text;
}

bool AwakeKeeper::inputsChanged() const
{
    return m_actions.configStore().revision() != m_revision || m_actions.actionCount() != m_count ||
           m_actions.actionIds() != m_ids;
}

void AwakeKeeper::tick(const QDateTime& now, bool alarmsOn)
{
    if (!m_sleep)
        return;
    const qint64 minute = now.toSecsSinceEpoch() / 60;
    if (minute != m_minute || alarmsOn != m_alarmsOn || (m_held.isValid() && now >= m_held) ||
        inputsChanged())
        update(now, alarmsOn);
}

void AwakeKeeper::update(const QDateTime& now, bool alarmsOn)
{
    if (!m_sleep)
        return;
    const IniFile& config = m_actions.configStore();
    m_minute = now.toSecsSinceEpoch() / 60;
    m_alarmsOn = alarmsOn;
    m_revision = config.revision();
    m_ids = m_actions.actionIds();
    m_count = m_actions.actionCount();

    QDateTime earliest;
    int earliestType = -1;
    if (alarmsOn) {
        const QDateTime horizon = now.addSecs(kRepeatedAheadMinutes * 60);
        const qsizetype n = upcoming::dispatchedCount(m_actions);
        for (qsizetype i = 0; i < n; ++i) {
            const QString section = ActionStore::sectionName(m_actions.actionIds()[i]);
            const int type = upcoming::actionType(config, section);
            if (type != int(ActionType::Reboot) && type != int(ActionType::LogOff) &&
                type != int(ActionType::Shutdown))
                continue;
            QDateTime due = upcoming::nextOnce(config, section, now);
            const QDateTime repeated = upcoming::nextRepeated(config, section, now);
            if (repeated.isValid() && repeated <= horizon && (!due.isValid() || repeated < due))
                due = repeated;
            if (due.isValid() && (!earliest.isValid() || due < earliest)) {
                earliest = due;
                earliestType = type;
            }
        }
    }
    m_held = earliest;
    if (earliest.isValid())
        m_sleep->holdAwake(reason(earliestType, earliest, now.date()));
    else
        m_sleep->releaseAwake();
}

} // namespace zentari
