#include "fuzzing.h"
#include "platform/handovermessage.h"
#include "remote/commandline.h"
#include "support/testseed.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <new>

using namespace zentari::handover;
using zentari::test::AllocationWatch;

namespace {

std::string hex(const QByteArray& bytes)
{
    return bytes.left(64).toHex(' ').toStdString() + (bytes.size() > 64 ? " …" : "");
}

// A request as a later start sends it: a command and its arguments.
QStringList randomMessage(QRandomGenerator& random)
{
    static const std::array<const char*, 5> kCommands = {"--remind", "--action", "--list",
                                                         "--remove", "--in"};
    QStringList arguments;
    if (random.bounded(4) != 0)
        arguments.append(QString::fromUtf8(kCommands[random.bounded(quint32(kCommands.size()))]));
    for (int n = int(random.bounded(6)); n > 0; --n)
        arguments.append(zentari::test::randomText(random, 16, true));
    return requestMessage(arguments);
}

// Damage of the kinds a broken or hostile writer makes: a length field set
// to something absurd, bytes changed, cut, grown or put in between.
void damage(QRandomGenerator& random, QByteArray& bytes)
{
    for (int n = 1 + int(random.bounded(3)); n > 0; --n) {
        switch (random.bounded(5)) {
        case 0: {
            if (bytes.size() < 4)
                break;
            const std::array<quint32, 7> absurd = {0xFFFFFFFFu,
                                                   0x80000000u,
                                                   0x7FFFFFFFu,
                                                   quint32(kMaxPayload),
                                                   quint32(kMaxPayload) + 1,
                                                   quint32(bytes.size()),
                                                   random.generate()};
            qToBigEndian(absurd[random.bounded(quint32(absurd.size()))],
                         bytes.data() + random.bounded(bytes.size() - 3));
            break;
        }
        case 1:
            if (!bytes.isEmpty())
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            break;
        case 2:
            bytes.truncate(random.bounded(bytes.size() + 1));
            break;
        case 3:
            bytes.append(random.bounded(2) ? encode(randomMessage(random))
                                           : QByteArray(1 + random.bounded(8), '\xff'));
            break;
        default:
            bytes.insert(random.bounded(bytes.size() + 1), char(random.bounded(256)));
        }
    }
}

} // namespace

// The clock reads a later start's bytes as they come, message by message,
// and acts on the arguments inside. Whatever arrives, damaged or made up, the
// reader takes a whole message or nothing, never allocates for a length it
// was told, and what it takes goes through the command line's reader without
// harm.
TEST(HandOverFuzz, DamagedMessagesAreTakenWholeOrNotAtAll)
{
    QRandomGenerator random(zentari::test::testSeed("HandOverFuzz"));
    ASSERT_TRUE(AllocationWatch::available()) << "the allocator cannot be watched here";
    {
        // The watch does see what is asked, through a call no compiler elides.
        const AllocationWatch watch;
        void* (*volatile allocate)(std::size_t) = std::malloc;
        std::free(allocate(std::size_t(1) << 20));
        ASSERT_GE(watch.largest(), std::size_t(1) << 20);
    }

    QElapsedTimer timer;
    timer.start();
    int complete = 0;
    constexpr int kRounds = 100000;
    for (int round = 0; round < kRounds && !::testing::Test::HasFailure(); ++round) {
        const QStringList sent = randomMessage(random);
        QByteArray bytes = encode(sent);
        if (round % 8 == 0) {
            QStringList back;
            ASSERT_EQ(decode(bytes, back), Decoded::Complete) << hex(bytes);
            ASSERT_EQ(back, sent);
            continue;
        }
        if (round % 8 == 1) {
            bytes = QByteArray("ZNT1");
            for (int n = int(random.bounded(40)); n > 0; --n)
                bytes.append(char(random.bounded(256)));
        } else {
            damage(random, bytes);
        }
        const QByteArray original = bytes;

        // Message after message, as the clock reads its socket, until the
        // bytes make no further whole one.
        for (int taken = 0; taken < 16; ++taken) {
            const QByteArray before = bytes;
            QStringList strings{QStringLiteral("untouched")};
            Decoded result = Decoded::Malformed;
            std::size_t largest = 0;
            try {
                const AllocationWatch watch;
                result = decode(bytes, strings);
                largest = watch.largest();
            } catch (const std::bad_alloc&) {
                FAIL() << "an allocation failed reading " << hex(original);
            }
            // UTF-16 takes twice the bytes, a list a few words per string of
            // at least four bytes; anything far beyond was asked for a length
            // the bytes only claimed.
            EXPECT_LE(largest, std::size_t(8 * before.size() + 4096))
                << "allocated " << largest << " bytes reading " << before.size() << ": "
                << hex(original);
            if (result != Decoded::Complete) {
                EXPECT_EQ(bytes, before)
                    << "bytes taken without a whole message: " << hex(original);
                EXPECT_EQ(strings, QStringList{QStringLiteral("untouched")}) << hex(original);
                break;
            }
            ++complete;
            EXPECT_LT(bytes.size(), before.size()) << hex(original);
            EXPECT_EQ(before.mid(before.size() - bytes.size()), bytes)
                << "the rest after a message is not what followed it: " << hex(original);
            // What was read is a message that travels again as it is.
            QByteArray again = encode(strings);
            QStringList back;
            EXPECT_EQ(decode(again, back), Decoded::Complete);
            EXPECT_EQ(back, strings) << hex(original);

            QStringList arguments;
            if (readRequest(strings, arguments)) {
                const auto parsed = zentari::remote::parseCommandLine(arguments, QString());
                EXPECT_TRUE(parsed.ok() || zentari::test::hasCyrillic(parsed.message))
                    << zentari::test::describe(arguments);
            }
        }
    }
    std::cout << complete << " messages read from " << kRounds << " rounds, " << timer.elapsed()
              << " ms" << std::endl;
}
