#include "core/error.h"
#include "core/timetext.h"

#include <gtest/gtest.h>

using namespace zentari;
using namespace zentari::timetext;

TEST(TimeText, ClockTextsHaveOneDigitHoursAndPaddedDates)
{
    EXPECT_EQ(timeToStr(QTime(0, 0, 30)), u"0:00:30");
    EXPECT_EQ(timeToStr(QTime(0, 0, 0)), u"0:00:00");
    EXPECT_EQ(timeToStr(QTime(9, 5, 7)), u"9:05:07");
    EXPECT_EQ(timeToStr(QTime(10, 30, 0)), u"10:30:00");
    EXPECT_EQ(timeToStr(QTime(23, 59, 59, 999)), u"23:59:59");
    EXPECT_EQ(dateToStr(QDate(1901, 1, 1)), u"01.01.1901");
    EXPECT_EQ(dateToStr(QDate(2026, 12, 7)), u"07.12.2026");
    EXPECT_EQ(dateToStr(dayZero()), u"30.12.1899");
}

TEST(TimeText, WeekdaysCountFromSunday)
{
    EXPECT_EQ(weekdayText(QDate(2026, 12, 6)), u"1");  // Sunday
    EXPECT_EQ(weekdayText(QDate(2026, 12, 7)), u"2");  // Monday
    EXPECT_EQ(weekdayText(QDate(2026, 12, 12)), u"7"); // Saturday
}

TEST(TimeText, ConversionsBackAcceptWhatTheClockWritesAndTwoDigitHours)
{
    EXPECT_EQ(strToTime(QStringLiteral("0:00:30")), QTime(0, 0, 30));
    EXPECT_EQ(strToTime(QStringLiteral("00:01:00")), QTime(0, 1, 0));
    EXPECT_EQ(strToTime(QStringLiteral("23:59")), QTime(23, 59, 0));
    EXPECT_EQ(strToDate(QStringLiteral("29.02.2028")), QDate(2028, 2, 29));
    EXPECT_EQ(strToDate(QStringLiteral("1.2.2026")), QDate(2026, 2, 1));
    EXPECT_EQ(strToDateTime(QStringLiteral("08.12.2026 0:15:00")),
              QDateTime(QDate(2026, 12, 8), QTime(0, 15)));
    EXPECT_EQ(strToDateTime(QStringLiteral("08.12.2026")),
              QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
    for (const char* bad : {"", "24:00:00", "12:60:00", "1:2:3:4", "ab:cd:ef", "12:00:00 pm"})
        EXPECT_THROW(strToTime(QString::fromUtf8(bad)), ConvertError) << bad;
    for (const char* bad : {"", "31.02.2026", "01.13.2026", "2026-12-08", "1.1"})
        EXPECT_THROW(strToDate(QString::fromUtf8(bad)), ConvertError) << bad;
    EXPECT_THROW(strToDateTime(QStringLiteral("08.12.2026 25:00:00")), ConvertError);
}

TEST(TimeText, EveryTimeOfDayRoundTrips)
{
    for (int s = 0; s < 24 * 3600; s += 37) {
        const QTime t = QTime(0, 0).addSecs(s);
        ASSERT_EQ(strToTime(timeToStr(t)), t);
    }
}
