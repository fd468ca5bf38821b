#pragma once

#include "services.h"

#include <QStringList>

namespace zentari {

// Where system actions go instead of the system: one line per action, fields
// separated by a tab, the action's name first. Kept in memory and, when a
// file is named (the ZENTARI_DRY_RUN mode), appended to that file at once.
class ActionLog
{
public:
    explicit ActionLog(QString filePath = {});
    void append(const QStringList& fields);
    const QStringList& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    QString m_filePath;
    QStringList m_lines;
};

// Records "open" and "restart" instead of starting anything.
class RecordingShell : public ShellLauncher
{
public:
    explicit RecordingShell(ActionLog& log) : m_log(log) {}
    void open(const QString& file, const QString& parameters, const QString& directory) override;
    void restart(const QString& executable) override;

private:
    ActionLog& m_log;
};

// Records "poweroff", "reboot", "logoff" and "cancel-shutdown" instead of doing them.
class RecordingPower : public PowerService
{
public:
    explicit RecordingPower(ActionLog& log) : m_log(log) {}
    bool scheduleShutdown(PowerAction action, int delaySeconds, const QString& message) override;
    void logOff() override;
    void cancelShutdown() override;
    bool refuse = false; // answer as a system that refuses the shutdown

private:
    ActionLog& m_log;
};

// Records "beep" as the tone starts; sounds it through another beeper when one is given.
class RecordingBeeper : public Beeper
{
public:
    explicit RecordingBeeper(ActionLog& log, Beeper* sound = nullptr) : m_log(log), m_sound(sound)
    {
    }
    void beep(int frequencyHz, int durationMs) override;
    void stop() override;
    bool sounding() const override;

private:
    ActionLog& m_log;
    Beeper* m_sound;
};

// Records "play" with the file name (and "fade <seconds>" for a gentle start) and still plays
// through the real player, so that its modes (and so the repeats) stay true.
class RecordingPlayer : public MediaPlayer
{
public:
    RecordingPlayer(ActionLog& log, MediaPlayer& player) : m_log(log), m_player(player) {}
    void open(const QString& file) override;
    void play() override;
    void playFadingIn(int seconds) override;
    void close() override { m_player.close(); }
    Mode mode() const override { return m_player.mode(); }

private:
    ActionLog& m_log;
    MediaPlayer& m_player;
    QString m_file;
};

} // namespace zentari
