#include "core/conversions.h"
#include "core/error.h"

#include <gtest/gtest.h>

using namespace zentari;

TEST(Conversions, IntegersAreDecimalOrDollarHexAndAnythingElseFails)
{
    EXPECT_EQ(conv::strToInt(QStringLiteral("128")), 128);
    EXPECT_EQ(conv::strToInt(QStringLiteral("-5")), -5);
    EXPECT_EQ(conv::strToInt(QStringLiteral("  7")), 7);
    EXPECT_EQ(conv::strToInt(QStringLiteral("$FF")), 255);
    EXPECT_EQ(conv::strToInt(QStringLiteral("2147483647")), 2147483647);
    for (const char* bad : {"", "1.5", "12a", "7 ", "three", "2147483648", "-", "$"})
        EXPECT_THROW(conv::strToInt(QString::fromUtf8(bad)), ConvertError) << bad;
}

TEST(Conversions, ColoursKeepRedInTheLowByte)
{
    EXPECT_EQ(conv::stringToColor(QStringLiteral("16777088")), 0xFFFF80u);
    EXPECT_EQ(conv::stringToColor(QStringLiteral("clRed")), 0x0000FFu);
    EXPECT_EQ(conv::stringToColor(QStringLiteral("$00FF0000")), 0xFF0000u);
    EXPECT_THROW(conv::stringToColor(QStringLiteral("light cyan")), ConvertError);
}
