// A command handed to a running clock from a start of its own: the process
// start, the lock found held, the socket's round trip and the exit, as a user
// waits for `zentari --list`. The clock's end is a SingleInstance answering
// on a thread of this process.
#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <future>

namespace {

class ClockThread : public QThread
{
public:
    explicit ClockThread(QString programDir) : m_programDir(std::move(programDir)) {}
    std::future<bool> claimed() { return m_claimed.get_future(); }

protected:
    void run() override
    {
        zentari::SingleInstance clock(m_programDir);
        QObject::connect(&clock, &zentari::SingleInstance::requestReceived,
                         [](zentari::InstanceRequest* request) { request->answer(0); });
        m_claimed.set_value(clock.claim());
        exec();
    }

private:
    QString m_programDir;
    std::promise<bool> m_claimed;
};

void BM_HandOverFromANewProcess(benchmark::State& state)
{
    QTemporaryDir programDir;
    ClockThread clock(programDir.path());
    auto claimed = clock.claimed();
    clock.start();
    if (!claimed.get()) {
        state.SkipWithError("the clock's lock could not be taken");
    } else {
        for (auto _ : state) {
            QProcess start;
            start.start(QStringLiteral(ZENTARI_HANDOVER_PROBE),
                        {programDir.path(), QStringLiteral("--list")});
            if (!start.waitForFinished(10000) || start.exitCode() != 0) {
                state.SkipWithError("the start was not answered");
                break;
            }
        }
    }
    clock.quit();
    clock.wait();
}
BENCHMARK(BM_HandOverFromANewProcess)
    ->Iterations(1)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
