#include "dispatchmark.h"

#include "core/atomicfile.h"
#include "core/error.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/errorreport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zentari {

DispatchMark::DispatchMark(const QString& programDir)
    : m_path(paths::resolve(programDir, u"data\\lastsecond.txt"))
{
}

std::optional<QDateTime> DispatchMark::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString line = QString::fromUtf8(file.readLine(256)).trimmed();
    const qsizetype tab = line.lastIndexOf(u'\t');
    if (tab < 0)
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = QStringView(line).mid(tab + 1).toLongLong(&ok);
    if (!ok || seconds <= 0)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(seconds);
}

void DispatchMark::note(const QDateTime& second)
{
    m_noted = second;
}

void DispatchMark::saveIfDue(ErrorReport& report)
{
    if (!m_noted)
        return;
    // Either way: a clock set back must not wait a minute past the old mark.
    if (!m_written || qAbs(m_noted->toSecsSinceEpoch() - *m_written) >= kWriteEverySeconds)
        write(report);
}

void DispatchMark::save(ErrorReport& report)
{
    if (m_noted && m_written != m_noted->toSecsSinceEpoch())
        write(report);
}

void DispatchMark::write(ErrorReport& report)
{
    const QDateTime second = *m_noted;
    const QString line = timetext::dateToStr(second.date()) + u' ' +
                         timetext::timeToStr(second.time()) + u'\t' +
                         QString::number(second.toSecsSinceEpoch()) + u'\n';
    // Whether it worked or not, the next try is a minute away: a full disk
    // must not cost a failed write every second.
    m_written = second.toSecsSinceEpoch();
    try {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        writeFileAtomically(m_path, line.toUtf8());
    } catch (const Error& e) {
        report.reportOnce(QStringLiteral("Не удаётся записать «%1»: после перерыва часы не "
                                         "узнают, какие события пропущены. %2")
                              .arg(m_path, e.message()));
    }
}

} // namespace zentari
