#include "core/error.h"
#include "platform/errorreport.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using namespace zentari;

TEST(ErrorReport, ASecondReportOfTheSameTextWhileTheFirstIsOpenIsNotShown)
{
    test::FakeSystem sys;
    ErrorReport report(sys.messages);
    int nested = 0;
    sys.messages.onShow = [&] {
        // The tick goes on firing under an open box and fails the same way.
        if (nested++ < 3)
            report.report(QStringLiteral("«x» — недопустимое целое число"));
    };
    report.report(QStringLiteral("«x» — недопустимое целое число"));
    EXPECT_EQ(sys.messages.shown.size(), 1);
    sys.messages.onShow = nullptr;
    report.report(QStringLiteral("«x» — недопустимое целое число")); // closed: shown again
    EXPECT_EQ(sys.messages.shown.size(), 2);
}

TEST(ErrorReport, GuardEndsTheHandlerAndReportsOnceOnlyTextsOnlyOnce)
{
    test::FakeSystem sys;
    ErrorReport report(sys.messages);
    bool after = false;
    report.guard([&] {
        throw ConvertError(QStringLiteral("bad"));
        after = true;
    });
    EXPECT_FALSE(after);
    report.reportOnce(QStringLiteral("once"));
    report.reportOnce(QStringLiteral("once"));
    EXPECT_EQ(sys.messages.shown, (QStringList{QStringLiteral("bad"), QStringLiteral("once")}));
}
