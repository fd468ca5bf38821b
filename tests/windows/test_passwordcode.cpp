#include "windows/passwordcode.h"

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
