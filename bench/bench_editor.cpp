// The action editor over 10,000 stored actions, on Qt's offscreen platform:
// opening it until its full list is painted, selecting a line (weekday line
// included), and OK (the append: five list files and conf.ini written).

#include "actionfolder.h"

#include "platform/errorreport.h"
#include "platform/recording.h"
#include "scheduler/actioneditor.h"
#include "scheduler/periodicitydialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimeEdit>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace zentari;
using zentari::bench::ActionFolder;

namespace {

constexpr int kActions = 10000;

class SilentBoxes : public MessageBoxes
{
public:
    void show(const QString& text, const QString&, MessageIcon) override { shown.append(text); }
    QStringList shown;
};

struct Setup
{
    ActionFolder folder{kActions};
    ActionLog log;
    RecordingBeeper beeper{log};
    SilentBoxes boxes;
    ErrorReport report{boxes};
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm8> form8;

    Setup()
    {
        // The button pictures, so that the editor paints what it paints in use.
        QDir().mkpath(folder.path() + QStringLiteral("data/buttons"));
        for (int i = 1; i <= 3; ++i) {
            const QString name = QStringLiteral("buttons/ButtonAddAction%1.bmp").arg(i);
            QFile::copy(QStringLiteral(ZENTARI_SOURCE_DATA_DIR "/") + name,
                        folder.path() + QStringLiteral("data/") + name);
        }
        Services services;
        services.beeper = &beeper;
        services.messages = &boxes;
        // Created once, as start-up creates it; each benchmark opens it anew.
        form4 = std::make_unique<TForm4>(folder.path(), services, report,
                                         [] { return QStringLiteral("10:30:00"); });
        form8 = std::make_unique<TForm8>();
        form4->setPeriodicityDialog(form8.get());
    }

    // The settings window's command: show, let the activation load the store, paint.
    void open()
    {
        form4->show();
        QApplication::processEvents();
        form4->repaint();
    }
    void close()
    {
        form4->close();
        QApplication::processEvents();
    }
};

Setup& setup()
{
    static Setup s;
    return s;
}

double seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void BM_EditorOpenPainted(benchmark::State& state)
{
    Setup& s = setup();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        s.open();
        state.SetIterationTime(seconds(start));
        const int listed = s.form4->ListBox1->count();
        s.close();
        if (listed != kActions) {
            state.SkipWithError("the list is not full");
            break;
        }
    }
}
BENCHMARK(BM_EditorOpenPainted)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->ReportAggregatesOnly(true);

void BM_EditorSelectLine(benchmark::State& state)
{
    Setup& s = setup();
    s.open();
    int row = kActions / 2;
    for (auto _ : state) {
        row = row == kActions / 2 ? kActions / 2 + 1 : kActions / 2;
        s.form4->ListBox1->setCurrentRow(row);
        s.form4->repaint();
    }
    if (s.form4->Edit1->text() != s.folder.paths().value(row) || !s.boxes.shown.isEmpty())
        state.SkipWithError("selecting did not load the line");
    s.close();
}
BENCHMARK(BM_EditorSelectLine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_EditorOk(benchmark::State& state)
{
    Setup& s = setup();
    s.open();
    int second = 0;
    for (auto _ : state) {
        s.form4->Button4Click();
        s.form4->ComboBox1->setCurrentIndex(int(ActionType::Reboot));
        s.form4->DateTimePicker1->setTime(QTime(23, 59, 0).addSecs(++second));
        const auto start = std::chrono::steady_clock::now();
        s.form4->SpeedButton1Click();
        state.SetIterationTime(seconds(start));
        if (s.form4->editing || !s.boxes.shown.isEmpty()) {
            state.SkipWithError("OK did not save");
            break;
        }
    }
    s.close();
}
BENCHMARK(BM_EditorOk)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->ReportAggregatesOnly(true);

// The store's share of OK: the append alone, on the same folder.
void BM_StoreAppendAlone(benchmark::State& state)
{
    Setup& s = setup();
    ActionStore store(s.folder.path());
    store.openStore();
    int second = 0;
    for (auto _ : state) {
        ScheduledAction a;
        a.typeCode = int(ActionType::Reboot);
        a.pathText = QStringLiteral("Перезагрузка");
        a.dateText = QStringLiteral("31.12.2026");
        a.timeText = QStringLiteral("23:%1:00").arg(++second % 60, 2, 10, QChar(u'0'));
        a.actionId = a.dateText + u' ' + a.timeText;
        const auto start = std::chrono::steady_clock::now();
        store.appendAction(a, true);
        state.SetIterationTime(seconds(start));
    }
}
BENCHMARK(BM_StoreAppendAlone)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
