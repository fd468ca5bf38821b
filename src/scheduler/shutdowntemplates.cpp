#include "shutdowntemplates.h"

#include "actionstore.h"
#include "core/options.h"
#include "core/timetext.h"

namespace zentari {

TemplatePlan planShutdownTemplate(const ShutdownTemplate& t, QTime now, const QString& dateLabel,
                                  const QString& timeLabel)
{
    const QTime delay = timetext::strToTime(t.delay.toString());
    const QTime sum = now.addSecs(delay.msecsSinceStartOfDay() / 1000); // wraps past midnight
    const QDate today = timetext::strToDate(dateLabel);
    TemplatePlan plan;
    plan.timeText = timetext::timeToStr(sum);
    if (timetext::strToTime(plan.timeText) >= timetext::strToTime(timeLabel)) {
        plan.dateText = timetext::dateToStr(today);
        plan.beepHz = t.sameDayHz;
    } else {
        plan.dateText = timetext::dateToStr(today.addDays(1));
        plan.beepHz = t.nextDayHz;
    }
    return plan;
}

const ShutdownTemplate* templateForMinutes(int minutes)
{
    for (const ShutdownTemplate& t : kShutdownTemplates) {
        const QTime delay = timetext::strToTime(t.delay.toString());
        if (delay.hour() * 60 + delay.minute() == minutes)
            return &t;
    }
    return nullptr;
}

QString runShutdownTemplate(const ShutdownTemplate& t, const QString& caption, QTime now,
                            const QString& dateLabel, const QString& timeLabel,
                            const IniFile& config, ActionStore& store, Beeper& beeper)
{
    const TemplatePlan plan = planShutdownTemplate(t, now, dateLabel, timeLabel);
    if (options::isOn(config, options::SchemeAck))
        beeper.beep(plan.beepHz, 100);
    ScheduledAction action;
    action.typeCode = int(ActionType::Shutdown);
    action.period = int(Periodicity::Once);
    action.timeText = plan.timeText;
    action.dateText = plan.dateText;
    action.actionId = ActionStore::makeTemplateId(plan.dateText, plan.timeText);
    action.pathText = QStringLiteral("Шаблон на выключение") + caption + plan.timeText;
    return store.appendTemplateAction(action, QStringLiteral("Шаблон выключения") + caption +
                                                  plan.timeText);
}

} // namespace zentari
