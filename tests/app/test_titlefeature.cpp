#include "app/titlefeature.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using namespace zentari;

TEST(TitleFeature, TheWindowInFrontShowsItsTitleAndTheHintTheOneBehindIsInactive)
{
    test::FakeWindowSystem windows;
    TitleFeature feature;
    windows.titles[1] = QStringLiteral("Редактор");
    windows.titles[2] = QStringLiteral("Terminal");
    windows.foreground = 1;
    feature.showTitle(windows, QStringLiteral("Время : 9:00:00 Дата : 08.12.2026"));
    EXPECT_EQ(windows.titles[1], u"РедакторВремя : 9:00:00 Дата : 08.12.2026");
    // Still in front next second: the captured title, not the decorated one, is reused.
    feature.showTitle(windows, QStringLiteral("Время : 9:00:01 Дата : 08.12.2026"));
    EXPECT_EQ(windows.titles[1], u"РедакторВремя : 9:00:01 Дата : 08.12.2026");
    windows.foreground = 2;
    feature.showTitle(windows, QStringLiteral("Время : 9:00:02 Дата : 08.12.2026"));
    EXPECT_EQ(windows.titles[1], u"Неактивное окно");
    EXPECT_EQ(windows.titles[2], u"TerminalВремя : 9:00:02 Дата : 08.12.2026");
    windows.foreground = 0; // nothing in front: nothing to rename
    feature.showTitle(windows, QStringLiteral("x"));
    EXPECT_EQ(windows.titles[2], u"Неактивное окно");
    EXPECT_FALSE(windows.titles.contains(0));
}
