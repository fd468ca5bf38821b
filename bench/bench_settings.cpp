// The settings window's first opening, now that it is made when first opened:
// from the clock's command to the window painted, the making included. Each
// repetition opens it in a fresh set of windows beside the one clock.

#include "app/clockwindow.h"
#include "app/clockwindows.h"
#include "platform/errorreport.h"
#include "platform/recording.h"
#include "session/clocksession.h"
#include "windows/settingswindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace zentari;

namespace {

class SilentBoxes : public MessageBoxes
{
public:
    void show(const QString& text, const QString&, MessageIcon) override { shown.append(text); }
    QStringList shown;
};

class WallClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

struct Setup
{
    QTemporaryDir dir;
    ActionLog log;
    RecordingBeeper beeper{log};
    RecordingShell shell{log};
    RecordingPower power{log};
    SilentBoxes boxes;
    WallClock clock;
    ErrorReport report{boxes};
    Services services;
    std::unique_ptr<ClockSession> session;
    std::unique_ptr<ClockWindows> windows;
    std::unique_ptr<TForm1> form1;

    Setup()
    {
        const QString path = dir.path() + u'/';
        // The pictures the clock and the settings window paint in use.
        QDir().mkpath(path + QStringLiteral("data/buttons"));
        for (const QString& name :
             {QStringLiteral("BackGround1.jpg"), QStringLiteral("min.bmp"),
              QStringLiteral("res.bmp"), QStringLiteral("buttons/ButtonOptions1.bmp"),
              QStringLiteral("buttons/ButtonOptions2.bmp"),
              QStringLiteral("buttons/ButtonOptions3.bmp")})
            QFile::copy(QStringLiteral(ZENTARI_SOURCE_DATA_DIR "/") + name,
                        path + QStringLiteral("data/") + name);
        services.clock = &clock;
        services.shell = &shell;
        services.messages = &boxes;
        services.power = &power;
        services.beeper = &beeper;
        session = std::make_unique<ClockSession>(path, services, report);
        windows = std::make_unique<ClockWindows>(path, services, report, *session);
        form1 = std::make_unique<TForm1>(path, services, report, *session, *windows);
        session->loadAtStart();
        form1->show();
        QApplication::processEvents();
    }
};

double seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Made at the first run and let go before the application object ends.
std::unique_ptr<Setup> g_setup;

void BM_SettingsFirstOpenPainted(benchmark::State& state)
{
    if (!g_setup)
        g_setup = std::make_unique<Setup>();
    Setup& s = *g_setup;
    for (auto _ : state) {
        // Windows not yet made, as at start; the clock stays.
        ClockWindows fresh(s.dir.path() + u'/', s.services, s.report, *s.session);
        fresh.setClock(s.form1.get());
        const auto start = std::chrono::steady_clock::now();
        TForm2& settings = fresh.settings();
        settings.show();
        QApplication::processEvents();
        settings.repaint();
        state.SetIterationTime(seconds(start));
        settings.close();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SettingsFirstOpenPainted)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(11)
    ->DisplayAggregatesOnly(false); // the first, coldest opening matters most

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_setup.reset();
    return 0;
}
