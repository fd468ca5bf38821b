#include "platform/handovermessage.h"
#include "support/printers.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace zentari::handover;

namespace {

const QStringList kRemind = {QStringLiteral("command"),
                             QStringLiteral("--remind"),
                             QStringLiteral("07.12.2026"),
                             QStringLiteral("9:05:00"),
                             QString(),
                             QStringLiteral("строка\r\nвторая\tи 😀 и \0 нуль")};

} // namespace

TEST(HandOverMessage, WholeMessagesComeBackAsTheyWent)
{
    for (const QStringList& strings :
         {QStringList(), QStringList{QString()}, kRemind, QStringList{QString(300000, u'я')}}) {
        QByteArray buffer = encode(strings);
        QStringList back;
        ASSERT_EQ(decode(buffer, back), Decoded::Complete);
        EXPECT_EQ(back, strings);
        EXPECT_TRUE(buffer.isEmpty());
    }
}

TEST(HandOverMessage, BytesArriveInPiecesAndMessagesBackToBack)
{
    const QByteArray first = encode(kRemind);
    const QByteArray second = encode({QStringLiteral("show")});
    QByteArray buffer;
    QStringList back;
    for (qsizetype i = 0; i + 1 < first.size(); ++i) {
        buffer.append(first[i]);
        ASSERT_EQ(decode(buffer, back), Decoded::Incomplete) << "at byte " << i;
    }
    buffer.append(first.back());
    buffer.append(second);
    ASSERT_EQ(decode(buffer, back), Decoded::Complete);
    EXPECT_EQ(back, kRemind);
    ASSERT_EQ(decode(buffer, back), Decoded::Complete);
    EXPECT_EQ(back, QStringList{QStringLiteral("show")});
    EXPECT_EQ(decode(buffer, back), Decoded::Incomplete);
}

TEST(HandOverMessage, LengthsThatLieAreRefusedBeforeAnythingIsReserved)
{
    auto decoded = [](QByteArray bytes) {
        QStringList ignored;
        return decode(bytes, ignored);
    };
    EXPECT_EQ(decoded("ZNT2"), Decoded::Malformed);
    EXPECT_EQ(decoded("GET / HTTP/1.1\r\n"), Decoded::Malformed);
    EXPECT_EQ(decoded(QByteArray("ZNT1\x7f\xff\xff\xff", 8)), Decoded::Malformed); // 2 GB
    EXPECT_EQ(decoded(QByteArray("ZNT1\0\0\0\0", 8)), Decoded::Malformed);         // no count
    // A count of a billion strings in an eight-byte payload.
    EXPECT_EQ(decoded(QByteArray("ZNT1\0\0\0\x08\x40\0\0\0\0\0\0\0", 16)), Decoded::Malformed);
    // A string longer than its message.
    EXPECT_EQ(decoded(QByteArray("ZNT1\0\0\0\x09\0\0\0\x01\0\0\0\x09x", 17)), Decoded::Malformed);
    // Bytes left over inside the payload.
    EXPECT_EQ(decoded(QByteArray("ZNT1\0\0\0\x05\0\0\0\0x", 13)), Decoded::Malformed);
    // A header alone is only the start of a message.
    EXPECT_EQ(decoded(QByteArray("ZNT1\0\0\0\x08", 8)), Decoded::Incomplete);
    EXPECT_EQ(decoded("ZN"), Decoded::Incomplete);
}

TEST(HandOverMessage, RandomAndDamagedBytesNeverCrashTheReader)
{
    QRandomGenerator random(1207);
    const QByteArray valid = encode(kRemind);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = valid;
        if (round % 2 == 0) {
            // A valid message with a few bytes changed, cut or grown.
            for (int n = int(random.bounded(4)); n >= 0; --n)
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            if (random.bounded(3) == 0)
                bytes.truncate(random.bounded(bytes.size()));
        } else {
            bytes = QByteArray("ZNT1");
            for (int n = int(random.bounded(64)); n > 0; --n)
                bytes.append(char(random.bounded(256)));
        }
        QStringList strings;
        const qsizetype before = bytes.size();
        const Decoded d = decode(bytes, strings);
        if (d != Decoded::Complete) {
            EXPECT_EQ(bytes.size(), before);
        }
    }
}

TEST(HandOverMessage, RequestsAndAnswers)
{
    QStringList arguments{QStringLiteral("stale")};
    ASSERT_TRUE(readRequest(requestMessage({}), arguments));
    EXPECT_TRUE(arguments.isEmpty()); // a plain start: show the clock
    const QStringList command = {QStringLiteral("--in"), QStringLiteral("5")};
    ASSERT_TRUE(readRequest(requestMessage(command), arguments));
    EXPECT_EQ(arguments, command);
    EXPECT_FALSE(readRequest({QStringLiteral("command")}, arguments));
    EXPECT_FALSE(readRequest({QStringLiteral("show"), QStringLiteral("x")}, arguments));
    EXPECT_FALSE(readRequest(answerMessage(0, {}), arguments));

    int status = -1;
    QString text;
    ASSERT_TRUE(readAnswer(answerMessage(2, QStringLiteral("«4» минут")), status, text));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(text, u"«4» минут");
    EXPECT_FALSE(
        readAnswer({QStringLiteral("answer"), QStringLiteral("x"), QString()}, status, text));
    EXPECT_FALSE(readAnswer(requestMessage({}), status, text));
}
