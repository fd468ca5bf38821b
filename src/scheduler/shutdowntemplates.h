#pragma once

#include "platform/services.h"

#include <QString>
#include <QStringView>
#include <QTime>
#include <array>

namespace zentari {

class ActionStore;
class IniFile;

// One ready-made "shut the computer down in N minutes" command of the menu.
struct ShutdownTemplate
{
    QStringView itemName; // the menu item ("N13")
    QStringView caption;  // "Через 1 минуту"
    QStringView delay;    // "00:01:00"
    int sameDayHz;
    int nextDayHz;
};

// In menu order; separators stand after the 2nd, 5th and 8th entries.
inline constexpr std::array<ShutdownTemplate, 11> kShutdownTemplates = {{
    {u"N12", u"Через 120 минут", u"02:00:00", 2000, 1500},
    {u"N10", u"Через 90 минут", u"01:30:00", 2100, 1600},
    {u"N601", u"Через 60 минут", u"01:00:00", 2200, 1700},
    {u"N451", u"Через 45 минут", u"00:45:00", 2300, 1800},
    {u"N301", u"Через 30 минут", u"00:30:00", 2400, 1900},
    {u"N151", u"Через 15 минут", u"00:15:00", 2500, 2000},
    {u"N101", u"Через 10 минут", u"00:10:00", 2600, 2100},
    {u"N51", u"Через 5 минут", u"00:05:00", 2700, 2200},
    {u"N31", u"Через 3 минуты", u"00:03:00", 2800, 2300},
    {u"N14", u"Через 2 минуты", u"00:02:00", 2900, 2400},
    {u"N13", u"Через 1 минуту", u"00:01:00", 3000, 2500},
}};

// When and how a template click schedules its shutdown.
struct TemplatePlan
{
    QString timeText;
    QString dateText;
    int beepHz = 0;
};

// Works out the action's time and date: now plus the delay, wrapped past
// midnight onto the next calendar day. dateLabel and timeLabel are the clock's
// current texts.
TemplatePlan planShutdownTemplate(const ShutdownTemplate& t, QTime now, const QString& dateLabel,
                                  const QString& timeLabel);

// The template of that delay in minutes, or null.
const ShutdownTemplate* templateForMinutes(int minutes);

// One template click: the optional confirmation beep ("SchemeAck" = "1") and
// the new shutdown action in the store. caption is what the menu item reports.
// Returns the id the store gave the action.
QString runShutdownTemplate(const ShutdownTemplate& t, const QString& caption, QTime now,
                            const QString& dateLabel, const QString& timeLabel,
                            const IniFile& config, ActionStore& store, Beeper& beeper);

} // namespace zentari
