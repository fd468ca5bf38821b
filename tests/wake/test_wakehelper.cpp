#include "wake/wakeengine.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/timerfd.h>

using namespace zentari::wake;

// The wake helper's timers are tested on CLOCK_REALTIME, which behaves as the
// wake clock does but wakes nothing and needs no capability; one test arms
// the wake clock itself where this machine allows it.
namespace {

std::int64_t nowSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

std::string setLine(std::int64_t seconds)
{
    return "set " + std::to_string(seconds);
}

std::string code(const std::string& answer)
{
    if (answer.rfind("error ", 0) != 0)
        return answer;
    return answer.substr(6, answer.find(' ', 6) - 6);
}

// Waits for the descriptor to become readable, at most timeoutMs.
bool readable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

} // namespace

TEST(WakeProtocol, RequestsAreReadExactlyAndEverythingElseIsRefused)
{
    EXPECT_EQ(parseRequest("set 1800000000").request.seconds, 1800000000);
    EXPECT_EQ(parseRequest("set 1800000000").request.verb, Verb::Set);
    EXPECT_EQ(parseRequest("unset 5").request.verb, Verb::Unset);
    EXPECT_TRUE(parseRequest("clear").ok);
    EXPECT_TRUE(parseRequest("probe\r").ok);
    EXPECT_EQ(parseRequest("quit").request.verb, Verb::Quit);
    EXPECT_EQ(parseRequest(std::string("set ") + std::to_string(maxSeconds)).request.seconds,
              maxSeconds);

    for (const char* line :
         {"", "set", "set ", "set -5", "set +5", "set 12a", "set  5", "set 5 ", "set 0x10", "SET 5",
          "clear 5", "quit now", "probe ", "wake 5", "set 5\r\r"})
        EXPECT_EQ(code(parseRequest(line).error), "syntax") << '"' << line << '"';
    for (const char* line :
         {"set 253402300800", "set 99999999999999999999999999", "unset 9223372036854775808"})
        EXPECT_EQ(code(parseRequest(line).error), "range") << line;
}

TEST(WakeProtocol, TheTwoFailuresTheUserIsToldOfHaveCodesOfTheirOwn)
{
    EXPECT_EQ(code(errnoLine(EPERM)), "eperm");
    EXPECT_EQ(code(errnoLine(EINVAL)), "nodev");
    EXPECT_EQ(code(errnoLine(ENODEV)), "nodev");
    EXPECT_EQ(code(errnoLine(EOPNOTSUPP)), "nodev");
    EXPECT_EQ(code(errnoLine(EMFILE)), "system");
}

TEST(WakeEngineTest, EachWakeTimeIsOneAbsoluteTimerAtItsSecond)
{
    WakeEngine engine(CLOCK_REALTIME);
    EXPECT_EQ(engine.handle("probe"), "ok");
    const std::int64_t at = nowSeconds() + 100;
    ASSERT_EQ(engine.handle(setLine(at)), "ok");
    ASSERT_EQ(engine.timerFds().size(), 1u);

    itimerspec left{};
    ASSERT_EQ(::timerfd_gettime(engine.timerFds()[0], &left), 0);
    EXPECT_GE(left.it_value.tv_sec, 98);
    EXPECT_LE(left.it_value.tv_sec, 100);
    EXPECT_EQ(left.it_interval.tv_sec, 0); // once, never again
    EXPECT_EQ(left.it_interval.tv_nsec, 0);

    EXPECT_EQ(engine.handle(setLine(at)), "ok"); // the same time again: still one timer
    EXPECT_EQ(engine.armed(), 1u);
    EXPECT_EQ(engine.handle(setLine(at + 60)), "ok");
    EXPECT_EQ(engine.armed(), 2u);
    EXPECT_EQ(engine.handle("unset " + std::to_string(at)), "ok");
    EXPECT_EQ(engine.armed(), 1u);
    EXPECT_EQ(engine.handle("unset 12345"), "ok"); // unknown: nothing to forget
    EXPECT_EQ(engine.handle("clear"), "ok");
    EXPECT_EQ(engine.armed(), 0u);
    EXPECT_FALSE(engine.quitRequested());
    EXPECT_EQ(engine.handle("quit"), "ok");
    EXPECT_TRUE(engine.quitRequested());
}

TEST(WakeEngineTest, PastTimesAndTooManyTimesAreRefusedWithoutArmingAnything)
{
    WakeEngine engine(CLOCK_REALTIME);
    EXPECT_EQ(code(engine.handle(setLine(nowSeconds()))), "past");
    EXPECT_EQ(code(engine.handle("set 0")), "past");
    EXPECT_EQ(engine.armed(), 0u);

    const std::int64_t first = nowSeconds() + 1000;
    for (std::size_t i = 0; i < maxTimers; ++i)
        ASSERT_EQ(engine.handle(setLine(first + std::int64_t(i))), "ok");
    EXPECT_EQ(code(engine.handle(setLine(first + 5000))), "limit");
    EXPECT_EQ(engine.armed(), maxTimers);
    EXPECT_EQ(engine.handle(setLine(first)), "ok"); // one already armed is no new timer
}

TEST(WakeEngineTest, ATimerFiresAtItsSecondOnceAndIsForgotten)
{
    WakeEngine engine(CLOCK_REALTIME);
    const std::int64_t at = nowSeconds() + 1;
    ASSERT_EQ(engine.handle(setLine(at)), "ok");
    const int fd = engine.timerFds().at(0);
    EXPECT_EQ(engine.expire(fd), ""); // not yet
    EXPECT_EQ(engine.armed(), 1u);

    ASSERT_TRUE(readable(fd, 3000));
    EXPECT_GE(nowSeconds(), at);
    EXPECT_EQ(engine.expire(fd), "fired " + std::to_string(at));
    EXPECT_EQ(engine.armed(), 0u);
    EXPECT_EQ(engine.expire(fd), ""); // forgotten
}

TEST(WakeEngineTest, TheWakeClockArmsAndFiresWhereThisMachineAllowsIt)
{
    WakeEngine engine(CLOCK_REALTIME_ALARM);
    const std::string probe = engine.handle("probe");
    if (code(probe) == "eperm" || code(probe) == "nodev") {
        std::printf("skipped: %s\n", probe.c_str());
        GTEST_SKIP() << "no wake clock here: " << probe;
    }
    ASSERT_EQ(probe, "ok");
    const std::int64_t at = nowSeconds() + 1;
    ASSERT_EQ(engine.handle(setLine(at)), "ok");
    ASSERT_TRUE(readable(engine.timerFds().at(0), 3000));
    EXPECT_EQ(engine.expire(engine.timerFds().at(0)), "fired " + std::to_string(at));
}

// The program itself: answers in order, notices as they come, and the end of
// its input ends it even with wake times armed.
TEST(WakeHelperProgram, AnswersEachLineAndEndsWithItsInput)
{
    QProcess helper;
    helper.start(QStringLiteral(ZENTARI_WAKE_HELPER), {QStringLiteral("--clock=realtime")});
    ASSERT_TRUE(helper.waitForStarted(5000));
    const std::int64_t at = nowSeconds() + 1;
    const std::string input = "probe\n" + setLine(at) + "\n" + setLine(at + 3600) +
                              "\nbogus\nset 1\n" + std::string(300, 'x') + "\nclear 1\n";
    helper.write(input.data(), qint64(input.size()));

    QStringList lines;
    QDeadlineTimer deadline(5000);
    while (lines.size() < 7 && !deadline.hasExpired()) {
        helper.waitForReadyRead(100);
        while (helper.canReadLine())
            lines.append(QString::fromLatin1(helper.readLine()).trimmed());
    }
    ASSERT_EQ(lines.size(), 7) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines.mid(0, 3),
              QStringList({QStringLiteral("ok"), QStringLiteral("ok"), QStringLiteral("ok")}));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("error syntax "))) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("error past "))) << lines[4].toStdString();
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("error syntax "))) << lines[5].toStdString();
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("error syntax "))) << lines[6].toStdString();

    // The first wake time comes while the second is still armed.
    while (!helper.canReadLine() && !deadline.hasExpired())
        helper.waitForReadyRead(100);
    EXPECT_EQ(QString::fromLatin1(helper.readLine()).trimmed(), QStringLiteral("fired %1").arg(at));

    helper.closeWriteChannel();
    ASSERT_TRUE(helper.waitForFinished(3000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(helper.exitCode(), 0);
}

TEST(WakeHelperProgram, QuitEndsAtOnceAndUnknownOptionsAreRefused)
{
    QProcess helper;
    helper.start(QStringLiteral(ZENTARI_WAKE_HELPER), {QStringLiteral("--clock=realtime")});
    ASSERT_TRUE(helper.waitForStarted(5000));
    helper.write("quit\nprobe\n");
    ASSERT_TRUE(helper.waitForFinished(3000));
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_EQ(helper.readAllStandardOutput(), QByteArray("ok\n"));

    QProcess wrong;
    wrong.start(QStringLiteral(ZENTARI_WAKE_HELPER), {QStringLiteral("--clock=monotonic")});
    ASSERT_TRUE(wrong.waitForFinished(3000));
    EXPECT_EQ(wrong.exitCode(), 2);
}
