#pragma once

#include "platform/recording.h"
#include "platform/services.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>

#include "printers.h"

namespace zentari::test {

// A clock that moves only when told to.
class FakeClock : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0)))
        : m_now(std::move(start))
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceSeconds(int s) { m_now = m_now.addSecs(s); }
    void advanceMs(int ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

// A player whose sounds end when the test says so. Files listed in `broken`
// fail to open, as unplayable files do.
class FakePlayer : public MediaPlayer
{
public:
    explicit FakePlayer(ActionLog& log) : m_log(log) {}
    void open(const QString& file) override;
    void play() override;
    void playFadingIn(int seconds) override;
    void close() override;
    Mode mode() const override { return m_mode; }

    void finish()
    {
        if (m_mode == Mode::Playing)
            m_mode = Mode::Stopped;
    }
    QSet<QString> broken;
    QString openFile;

private:
    ActionLog& m_log;
    Mode m_mode = Mode::NotOpen;
};

// Beeps are recorded and take no time.
class FakeBeeper : public RecordingBeeper
{
public:
    explicit FakeBeeper(ActionLog& log) : RecordingBeeper(log) {}
};

// Message boxes are recorded as "message<TAB>caption<TAB>text"; onShow runs
// while the box is "open" (to play what happens under a modal box).
class FakeMessageBoxes : public MessageBoxes
{
public:
    explicit FakeMessageBoxes(ActionLog& log) : m_log(log) {}
    void show(const QString& text, const QString& caption, MessageIcon icon) override;
    // Recorded as "question<TAB>caption<TAB>text"; answered with `answer`.
    bool askYesNo(const QString& text, const QString& caption) override;
    std::function<void()> onShow;
    QStringList shown;
    bool answer = false;

private:
    ActionLog& m_log;
};

class FakeWindowSystem : public WindowSystem
{
public:
    quint64 foregroundWindow() override { return foreground; }
    QString windowTitle(quint64 w) override { return titles.value(w); }
    void setWindowTitle(quint64 w, const QString& t) override { titles[w] = t; }
    void keepAbove(quint64 w) override { aboveCalls.append(w); }
    void setSkipTaskbar(quint64 w, bool skip) override { skipTaskbar[w] = skip; }

    quint64 foreground = 0;
    QHash<quint64, QString> titles;
    QList<quint64> aboveCalls;
    QHash<quint64, bool> skipTaskbar;
};

class FakeMachineStore : public MachineStore
{
public:
    QString readString(const QString& name) override { return values.value(name); }
    QHash<QString, QString> values;
};

// All fakes together, sharing one action log.
struct FakeSystem
{
    ActionLog log;
    FakeClock clock;
    RecordingShell shell{log};
    RecordingPower power{log};
    FakeBeeper beeper{log};
    FakePlayer player{log};
    FakeMessageBoxes messages{log};
    FakeWindowSystem windows;
    FakeMachineStore machine;

    Services services()
    {
        return Services{&clock, &shell, &messages, &power, &beeper, &player, &windows, &machine};
    }
    // Lines of the log that start with the given action name.
    QStringList logged(const QString& action) const;
};

} // namespace zentari::test
