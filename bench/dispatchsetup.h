#pragma once

// The action dispatch as the tick runs it over a large store, with silent
// stand-ins for the system, shared by the benchmarks of the tick.

#include "actionfolder.h"

#include "core/textlist.h"
#include "platform/errorreport.h"
#include "platform/recording.h"
#include "scheduler/actiondispatcher.h"

#include <memory>

namespace zentari::bench {
constexpr int kActions = 10000;

class SilentPlayer : public MediaPlayer
{
public:
    void open(const QString&) override { m_mode = Mode::Stopped; }
    void play() override { m_mode = Mode::Playing; }
    void playFadingIn(int) override { m_mode = Mode::Playing; }
    void close() override { m_mode = Mode::NotOpen; }
    Mode mode() const override { return m_mode; }

private:
    Mode m_mode = Mode::NotOpen;
};

class SilentBoxes : public MessageBoxes
{
public:
    void show(const QString& text, const QString&, MessageIcon) override { shown.append(text); }
    QStringList shown;
};

// The main window as the dispatcher sees it: its conf.ini handle and its copies
// of the ids and paths lists, loaded from the list files.
struct MainWindowSource : DispatchSource
{
    IniFile ini;
    QString dir;
    QStringList ids, paths;
    const IniFile& configStore() const override { return ini; }
    QString programDir() const override { return dir; }
    const QStringList& actionIds() const override { return ids; }
    qsizetype actionCount() const override { return paths.size(); }
};

struct Setup
{
    ActionFolder folder{kActions};
    ActionLog log;
    RecordingShell shell{log};
    RecordingPower power{log};
    RecordingBeeper beeper{log};
    SilentPlayer player;
    SilentBoxes boxes;
    MainWindowSource source;
    ErrorReport report{boxes};
    std::unique_ptr<ActionDispatcher> dispatcher;
    // A Monday; no action is due at the unused time on any date.
    const QString date = QStringLiteral("07.12.2026");
    const QString weekday = QStringLiteral("2");

    Setup()
    {
        source.dir = folder.path();
        source.ini = IniFile(folder.confPath());
        source.ids = textlist::load(folder.path() + QStringLiteral("data/1Ids.zdt"));
        source.paths = textlist::load(folder.path() + QStringLiteral("data/1Paths.zdt"));
        Services services;
        services.shell = &shell;
        services.power = &power;
        services.beeper = &beeper;
        services.player = &player;
        services.messages = &boxes;
        dispatcher = std::make_unique<ActionDispatcher>(source, services, report);
    }

    void tick() { dispatcher->dispatchActions(folder.unusedTime(), date, weekday); }
    bool quiet() const { return log.lines().isEmpty() && boxes.shown.isEmpty(); }
};

} // namespace zentari::bench
