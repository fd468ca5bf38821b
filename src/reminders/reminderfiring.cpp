#include "reminderfiring.h"

#include "core/error.h"
#include "core/timetext.h"
#include "platform/errorreport.h"
#include "reminderstore.h"

#include <QScopedValueRollback>
#include <algorithm>

namespace zentari {

ReminderFiring::ReminderFiring(ErrorReport& report) : m_report(report) {}

void ReminderFiring::refreshIndex(const ReminderStore& store)
{
    if (store.revision() == m_indexed)
        return;
    const RecordList<Reminder>& records = store.records();
    const int count = store.count();
    std::vector<std::pair<int, int>> byTime;
    byTime.reserve(size_t(count));
    QStringList problems;
    for (int i = 0; i < count; ++i) {
        const Reminder& r = records[i];
        // Times compare as values: "9:30:00" and "09:30:00" are one time.
        try {
            byTime.emplace_back(timetext::strToTime(r.timeText).msecsSinceStartOfDay() / 1000, i);
        } catch (const ConvertError&) {
            // One broken line must not silence the reminders after it.
            problems.append(QStringLiteral("Напоминание «%1»: время «%2» не распознано, "
                                           "напоминание пропускается.")
                                .arg(r.title, r.timeText));
        }
    }
    std::sort(byTime.begin(), byTime.end());
    m_byTime = std::move(byTime);
    m_indexed = store.revision();
    // Only now: the ticks that run under the box must find the index whole.
    for (const QString& problem : std::as_const(problems))
        m_report.reportOnce(problem);
}

void ReminderFiring::collect(const ReminderStore& store, const QList<QDateTime>& seconds)
{
    refreshIndex(store);
    const RecordList<Reminder>& records = store.records();
    for (const QDateTime& second : seconds) {
        const int time = second.time().msecsSinceStartOfDay() / 1000;
        auto it = std::lower_bound(m_byTime.begin(), m_byTime.end(), std::pair(time, -1));
        if (it == m_byTime.end() || it->first != time)
            continue;
        const QString dateText = timetext::dateToStr(second.date());
        for (; it != m_byTime.end() && it->first == time; ++it) {
            const int i = it->second;
            if (records[i].dateText == dateText)
                m_queue.append(
                    Due{records[i].title, store.textFileOf(i), records[i].reminderId, QString()});
        }
    }
}

void ReminderFiring::queueLate(const ReminderStore& store, int position, const QString& heading)
{
    const Reminder& r = store.records()[position];
    m_queue.append(Due{r.title, store.textFileOf(position), r.reminderId, heading});
}

void ReminderFiring::step(const ReminderStore& store, ReminderHost& host,
                          const QList<QDateTime>& seconds)
{
    collect(store, seconds);
    // A tick nested in an open window only queues: the outer one shows.
    if (!m_showing)
        showQueued(host);
}

void ReminderFiring::showQueued(ReminderHost& host)
{
    const QScopedValueRollback showing(m_showing, true);
    while (!m_queue.isEmpty()) {
        const Due due = m_queue.takeFirst();
        m_report.guard([&host] { host.alertSound(); });
        QString text;
        try {
            text = ReminderStore::readText(due.textFile);
        } catch (const Error& e) {
            // The reminder is still shown; what became of its text is said once.
            m_report.reportOnce(e.message());
            text = QStringLiteral("Текст напоминания не найден: файл «%1» отсутствует или не "
                                  "читается.")
                       .arg(due.textFile);
        }
        if (!due.heading.isEmpty())
            text = due.heading + u'\n' + text;
        if (onShown)
            onShown(due.id, due.title);
        m_report.guard([&] { host.showReminder(due.title, text, due.id); });
        m_report.guard([&host] { host.reminderClosed(); });
    }
}

} // namespace zentari
