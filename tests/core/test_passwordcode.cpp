#include "core/passwordcode.h"

#include "platform/machinestore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using zentari::encodePassword;

TEST(PasswordCode, EachByteSignedPlusTheLengthFollowedByASpace)
{
    EXPECT_EQ(encodePassword(QStringLiteral("abc")), u"100 101 102 ");
    EXPECT_EQ(encodePassword(QStringLiteral("a")), u"98 ");
    EXPECT_EQ(encodePassword(QStringLiteral("я")), u"0 "); // byte 255 is -1
    EXPECT_EQ(encodePassword(QString()), u"");
    EXPECT_EQ(encodePassword(QStringLiteral("Ая")), u"-62 1 ");
    EXPECT_NE(encodePassword(QStringLiteral("abc")), u"100 101 102");
}

// The password as the per-machine file holds it: written the way the README
// shows it (with the trailing space), or by hand without it.
TEST(PasswordCode, TheStoredFileAcceptsTheRightPasswordWithOrWithoutTheLastSpace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.ini"));
    auto storeHolding = [&](const char* lines) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines);
        file.close();
        return zentari::IniMachineStore(path).readString(QStringLiteral("PAS"));
    };

    const QString asShipped = storeHolding("[Software\\Zentari]\r\nUSE=1\r\nPAS=100 101 102 \r\n");
    EXPECT_EQ(asShipped, u"100 101 102 ");
    EXPECT_TRUE(zentari::passwordMatches(QStringLiteral("abc"), asShipped));
    EXPECT_FALSE(zentari::passwordMatches(QStringLiteral("abd"), asShipped));
    EXPECT_FALSE(zentari::passwordMatches(QString(), asShipped));

    const QString byHand = storeHolding("[\\Software\\Zentari]\nPAS=100 101 102\n");
    EXPECT_TRUE(zentari::passwordMatches(QStringLiteral("abc"), byHand));
    EXPECT_FALSE(zentari::passwordMatches(QStringLiteral("ab"), byHand));

    // No password stored: only the empty entry opens the gate.
    const QString none = storeHolding("[Software\\Zentari]\nUSE=1\n");
    EXPECT_TRUE(zentari::passwordMatches(QString(), none));
    EXPECT_FALSE(zentari::passwordMatches(QStringLiteral(" "), none));
}
