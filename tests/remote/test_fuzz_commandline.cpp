#include "fuzzing.h"
#include "remote/commandline.h"
#include "support/testseed.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>

using namespace zentari::remote;
using zentari::test::describe;

namespace {

// Pieces of command lines, good and nearly good: the commands and their
// switches, dates and times the clock reads and ones it must not, numbers
// around the template delays and the weekdays, paths that exist and not.
const std::array kOptions = {"--remind",
                             "--action",
                             "--in",
                             "--abort",
                             "--stop-sound",
                             "--list",
                             "--remove",
                             "--help",
                             "-h",
                             "--reload-options",
                             "--take-over",
                             "--daily",
                             "--days",
                             "--days=1,3,5",
                             "--in=5",
                             "--remove=Врач07.12.2026",
                             "--list=1",
                             "--",
                             "-",
                             "--remind=1",
                             "--REMIND",
                             "—remind"};
const std::array kDates = {
    "07.12.2026", "7.12.2026",  "31.12.2026", "29.02.2028", "29.02.2027",   "00.01.2026",
    "32.01.2026", "01.13.2026", "1.1.25",     "01.01.0999", "01.01.0000",   "31.12.9999",
    "1.1.10000",  "..",         "07.12",      "07-12-2026", " 07.12.2026 ", "０７.１２.２０２６"};
const std::array kTimes = {"9:05:00",  "09:05",   "9:05",      "23:59:59", "0:00:00",
                           "24:00:00", "9:60:00", "9:05:60",   "::",       "9",
                           "-1:00:00", "9:5:0",   "9:05:00.5", " 9:05:00"};
const std::array kNumbers = {
    "0",          "1",   "2",   "3",  "4",  "5",   "7",     "8",    "10",  "45",
    "90",         "120", "121", "-1", "+5", "007", "1,3,5", "1,,3", "7,1", "1,2,3,4,5,6,7,8",
    "4294967296", "٣",   "５"};
const std::array kWords = {"Врач", "Новый год", "a\tb", "строка\nвторая", "«кавычки»", "=", "'"};

class Fuzz
{
public:
    Fuzz(quint32 seed, QString dir) : m_random(seed), m_dir(std::move(dir)) {}

    // Half the lists follow a command's form, each place most often filled
    // with what belongs there, so that accepted requests of every kind come
    // up; the other half are pieces in any order.
    QStringList arguments()
    {
        QStringList out;
        if (m_random.bounded(20) == 0)
            return out;
        if (m_random.bounded(2) == 0)
            out = formed();
        else
            out.append(m_random.bounded(8) == 0 ? token() : pick(kOptions));
        for (int n = int(m_random.bounded(out.size() > 1 ? 2 : 8)); n > 0; --n)
            out.append(token());
        return out;
    }

private:
    QStringList formed()
    {
        const auto fill = [this](auto&& right) {
            return m_random.bounded(8) == 0 ? token() : right();
        };
        const auto date = [this] { return pick(kDates); };
        const auto time = [this] { return pick(kTimes); };
        switch (m_random.bounded(5)) {
        case 0: {
            QStringList out{QStringLiteral("--remind"), fill(date), fill(time),
                            fill([this] { return pick(kWords); })};
            if (m_random.bounded(2) == 0)
                out.append(zentari::test::randomText(m_random, 20));
            return out;
        }
        case 1: {
            const int type = int(m_random.bounded(5));
            QStringList out{QStringLiteral("--action"),
                            fill([type] { return QString::number(type); }), fill(date), fill(time)};
            if (type <= 1 ? m_random.bounded(8) != 0 : m_random.bounded(8) == 0)
                out.append(path());
            switch (m_random.bounded(4)) {
            case 0:
                out.append(QStringLiteral("--daily"));
                break;
            case 1:
                out << QStringLiteral("--days") << fill([this] { return pick(kNumbers); });
                break;
            case 2:
                out.append(QStringLiteral("--days=") + pick(kNumbers));
                break;
            }
            return out;
        }
        case 2:
            return {QStringLiteral("--in"), fill([this] { return pick(kNumbers); })};
        case 3: {
            QStringList out{QStringLiteral("--remove"), fill(date)};
            if (m_random.bounded(2) == 0)
                out.append(fill(time));
            return out;
        }
        default:
            return {pick(kOptions)};
        }
    }

    template <std::size_t N> QString pick(const std::array<const char*, N>& list)
    {
        return QString::fromUtf8(list[m_random.bounded(quint32(N))]);
    }

    QString token()
    {
        switch (m_random.bounded(14)) {
        case 0:
            return pick(kOptions);
        case 1:
        case 2:
            return pick(kDates);
        case 3:
        case 4:
            return pick(kTimes);
        case 5:
        case 6:
            return pick(kNumbers);
        case 7:
            return pick(kWords);
        case 8:
            return QString();
        case 9:
            return path();
        case 10:
            return zentari::test::randomText(m_random, 12);
        case 11:
            return mutated(token());
        case 12: {
            QString with = pick(kDates);
            with.insert(m_random.bounded(with.size() + 1), QChar(u'\0'));
            return with;
        }
        default:
            // Rarely, something huge: digits, a date's separators, letters.
            if (m_random.bounded(40) != 0)
                return pick(kWords);
            return QString(100000 + m_random.bounded(100000),
                           QChar(u"9.:,я-"[m_random.bounded(6)]));
        }
    }

    QString path()
    {
        switch (m_random.bounded(6)) {
        case 0:
            return QStringLiteral("звонок.mp3");
        case 1:
            return m_dir + QStringLiteral("/звонок.mp3");
        case 2:
            return QStringLiteral("музыка");
        case 3:
            return QStringLiteral("./музыка/../звонок.mp3");
        case 4:
            return QStringLiteral("/нет/такого/файла");
        default:
            return QStringLiteral(".");
        }
    }

    QString mutated(QString text)
    {
        const qsizetype at = m_random.bounded(text.size() + 1);
        switch (m_random.bounded(3)) {
        case 0:
            return text.insert(at, zentari::test::randomText(m_random, 2));
        case 1:
            return text.remove(at, 1);
        default:
            return text + text;
        }
    }

    QRandomGenerator m_random;
    QString m_dir;
};

} // namespace

// Whatever a user, a script or a hand-over passes: the reader never crashes,
// refuses with a Russian message or gives a request that, written back as
// arguments, reads as the same request (what a later start hands over).
TEST(CommandLineFuzz, EveryArgumentListIsRefusedInRussianOrRoundTrips)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile sound(dir.filePath(QStringLiteral("звонок.mp3")));
    ASSERT_TRUE(sound.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("музыка")));

    Fuzz fuzz(zentari::test::testSeed("CommandLineFuzz"), dir.path());
    QElapsedTimer timer;
    timer.start();
    int accepted = 0;
    constexpr int kRounds = 80000;
    for (int round = 0; round < kRounds && !::testing::Test::HasFailure(); ++round) {
        const QStringList arguments = fuzz.arguments();
        const ParseResult result = parseCommandLine(arguments, dir.path());
        if (!result.ok()) {
            EXPECT_TRUE(zentari::test::hasCyrillic(result.message))
                << "refused without a Russian reason (" << result.message.toStdString()
                << "): " << describe(arguments);
            continue;
        }
        ++accepted;
        const QStringList written = toArguments(result.request);
        const ParseResult again = parseCommandLine(written, dir.path());
        EXPECT_TRUE(again.ok()) << "written back as " << describe(written)
                                << " it is refused: " << again.message.toStdString()
                                << "; read from " << describe(arguments);
        EXPECT_TRUE(again.request == result.request)
            << "written back as " << describe(written) << " it reads otherwise; read from "
            << describe(arguments);
    }
    std::cout << accepted << " of " << kRounds << " accepted, " << timer.elapsed() << " ms"
              << std::endl;
    // Both sides were reached: a generator that only ever makes refusals tests little.
    if (!::testing::Test::HasFailure()) {
        EXPECT_GT(accepted, kRounds / 50);
    }
}
