#include "recording.h"

#include <QFile>

namespace zentari {

ActionLog::ActionLog(QString filePath) : m_filePath(std::move(filePath)) {}

void ActionLog::append(const QStringList& fields)
{
    const QString line = fields.join(u'\t');
    m_lines.append(line);
    if (m_filePath.isEmpty())
        return;
    QFile file(m_filePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line.toUtf8() + '\n');
}

void RecordingShell::open(const QString& file, const QString& parameters, const QString&)
{
    m_log.append({QStringLiteral("open"), file, parameters});
}

void RecordingShell::restart(const QString& executable)
{
    m_log.append({QStringLiteral("restart"), executable});
}

bool RecordingPower::scheduleShutdown(PowerAction action, int delaySeconds, const QString& message)
{
    m_log.append(
        {action == PowerAction::Reboot ? QStringLiteral("reboot") : QStringLiteral("poweroff"),
         QString::number(delaySeconds), message});
    return !refuse;
}

void RecordingPower::logOff()
{
    m_log.append({QStringLiteral("logoff")});
}

void RecordingPower::cancelShutdown()
{
    m_log.append({QStringLiteral("cancel-shutdown")});
}

void RecordingBeeper::beep(int frequencyHz, int durationMs)
{
    m_log.append(
        {QStringLiteral("beep"), QString::number(frequencyHz), QString::number(durationMs)});
    if (m_sound)
        m_sound->beep(frequencyHz, durationMs);
}

void RecordingBeeper::stop()
{
    if (m_sound)
        m_sound->stop();
}

bool RecordingBeeper::sounding() const
{
    return m_sound && m_sound->sounding();
}

void RecordingPlayer::open(const QString& file)
{
    m_player.open(file);
    m_file = file;
}

void RecordingPlayer::play()
{
    m_player.play();
    m_log.append({QStringLiteral("play"), m_file});
}

void RecordingPlayer::playFadingIn(int seconds)
{
    m_player.playFadingIn(seconds);
    m_log.append({QStringLiteral("play"), m_file, QStringLiteral("fade %1").arg(seconds)});
}

} // namespace zentari
