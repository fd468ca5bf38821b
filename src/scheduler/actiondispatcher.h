#pragma once

#include "core/inifile.h"
#include "core/options.h"
#include "platform/errorreport.h"
#include "platform/services.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

namespace zentari {

// What the dispatcher reads from the main window: its conf.ini handle (replaced
// at every activation), the program folder and its copies of the action lists.
class DispatchSource
{
public:
    virtual ~DispatchSource() = default;
    virtual const IniFile& configStore() const = 0;
    virtual QString programDir() const = 0;
    virtual const QStringList& actionIds() const = 0;
    // The count of the action paths list, which bounds the dispatch loop.
    virtual qsizetype actionCount() const = 0;
};

// The action step of the one-second tick, the sound with its repeats, and the
// reminder signal. No window: its inputs are three texts and the stores, its
// effects the platform services and two notifications.
class ActionDispatcher
{
public:
    static const QString kShutdownMessage;
    static const QString kRebootMessage;
    static constexpr int kShutdownDelaySeconds = 50;

    ActionDispatcher(const DispatchSource& source, const Services& services, ErrorReport& report);

    // "Прекратить выход из системы" becomes available (a shutdown or log-off was asked for).
    std::function<void()> onCancelShutdownAvailable;
    // The system accepted a shutdown or reboot; the clock shows its warning.
    std::function<void(PowerAction, int delaySeconds, const QString& message)> onShutdownScheduled;
    // An action's section was performed: its id and its "Action" type code.
    std::function<void(const QString& actionId, int type)> onActionPerformed;

    // Performs every action due at this time text, date text and weekday text.
    void dispatchActions(const QString& timeText, const QString& dateText,
                         const QString& weekdayText);
    // The five type checks for one due action's section.
    void performAction(const QString& section);

    // Opens and plays a file, falling back to data/music.mp3 (whose failure is
    // not caught); restarts the repeat count and the ring time.
    void startSound(const QString& file);
    // An alarm's sound: as startSound, its first play fading in over
    // "FadeInSeconds"; it can be put off while it plays (alarmSoundFile()).
    void startAlarmSound(const QString& file);
    // The tick's repeat step: replays an ended sound until it has been heard
    // "TimesPlay" times (0 or less: until stopped), and stops it once it has
    // rung "RingMinutes" (when above 0).
    void repeatSound();
    // Whether "Остановить звук" can be chosen now: a sound plays or a beep sounds.
    bool soundPlaying() const;
    // The file of the alarm sound playing now; null while none does (a
    // reminder's sound or beep is not an alarm's).
    QString alarmSoundFile() const;
    // "Остановить звук": the sound, its repeats and a beep end.
    void stopSound();
    // The reminder signal: a beep of "behz" Hz for "bemi" ms, or "soundfilename".
    void alertSound();

    int playCount() const { return m_playCount; }
    const QString& lastRunPath() const { return m_lastRunPath; }

private:
    QString read(const QString& section, QStringView key, const QString& def) const;
    // A numeric option; a bad value is reported once and its default used, so
    // one typo does not silence every alarm.
    int readNumber(const options::Key& key);
    void requestPower(PowerAction action, const QString& message);
    void playFirst(const QString& file, int fadeInSeconds);

    // Positions of the listed actions by their "Time", rebuilt only when
    // conf.ini or the lists change, so that a second with nothing due reads
    // nothing. The due actions themselves are always read afresh.
    struct TimeIndex
    {
        quint64 revision = 0;
        QStringList ids; // shares the source's list for as long as it is unchanged
        qsizetype count = -1;
        // (hash of the "Time" text, position), sorted: a few bytes an action
        // where a table keyed by the texts took a hundred and more. Every
        // candidate's "Time" is read again before it counts as due.
        std::vector<std::pair<size_t, qsizetype>> positions;
    };
    void refreshIndex();

    const DispatchSource& m_source;
    Services m_services;
    ErrorReport& m_report;
    int m_playCount = 0;
    QString m_lastRunPath;
    QString m_alarmFile;      // the action's file while its sound is the one open
    bool m_ringing = false;   // a started sound not yet stopped nor heard out
    QDateTime m_soundStarted; // for "RingMinutes"
    TimeIndex m_index;
};

} // namespace zentari
