#include "trayfakes.h"
#include "trayicon/trayicon.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace zentari;
using namespace zentari::test;
using Msg = TTrayIconMessage;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString CannotCreate = QStringLiteral("Cannot Create System Shell Notification Icon");
const QString CannotRemove = QStringLiteral("Cannot Remove System Shell Notification Icon");

// The steps of Restore() and Minimize() as the fake application records them.
const QStringList Restored = {QStringLiteral("restore"), QStringLiteral("show-restored 7"),
                              QStringLiteral("foreground 7"), QStringLiteral("OnRestore")};
const QStringList Minimized = {QStringLiteral("minimize"), QStringLiteral("hide 7"),
                               QStringLiteral("OnMinimize")};

QString buttonName(TMouseButton button)
{
    switch (button) {
    case TMouseButton::mbLeft:
        return QStringLiteral("left");
    case TMouseButton::mbRight:
        return QStringLiteral("right");
    case TMouseButton::mbMiddle:
        return QStringLiteral("middle");
    }
    return {};
}

class TrayIconTest : public ::testing::Test
{
protected:
    // A tray icon with every event recorded, shown in the tray, steps cleared.
    std::unique_ptr<TTrayIcon> shownIcon()
    {
        auto icon = std::make_unique<TTrayIcon>(area, app);
        record(*icon);
        icon->SetVisible(true);
        steps.clear();
        return icon;
    }

    void record(TTrayIcon& icon)
    {
        icon.OnMinimize = [this](TTrayIcon&) { steps.append(QStringLiteral("OnMinimize")); };
        icon.OnRestore = [this](TTrayIcon&) { steps.append(QStringLiteral("OnRestore")); };
        icon.OnDblClick = [this](TTrayIcon&) { steps.append(QStringLiteral("OnDblClick")); };
        icon.OnMouseDown = [this](TTrayIcon&, TMouseButton button, TShiftState shift, int x,
                                  int y) {
            steps.append(QStringLiteral("OnMouseDown %1 %2 %3,%4")
                             .arg(buttonName(button))
                             .arg(int(shift))
                             .arg(x)
                             .arg(y));
        };
        icon.OnMouseUp = [this](TTrayIcon&, TMouseButton button, TShiftState shift, int x, int y) {
            steps.append(QStringLiteral("OnMouseUp %1 %2 %3,%4")
                             .arg(buttonName(button))
                             .arg(int(shift))
                             .arg(x)
                             .arg(y));
        };
    }

    void withClickHandler(TTrayIcon& icon)
    {
        icon.OnClick = [this](TTrayIcon&) { steps.append(QStringLiteral("OnClick")); };
    }

    QStringList steps;
    FakeNotificationArea area{steps};
    FakeApplication app{steps};
    FakePopupMenu menu{steps};
};

// A step as OnMouseDown / OnMouseUp record it.
QString mouse(const QString& event, const QString& button, TShiftState shift,
              QPoint at = QPoint(640, 1010))
{
    return u"%1 %2 %3 %4,%5"_s.arg(event, button).arg(int(shift)).arg(at.x()).arg(at.y());
}

} // namespace

TEST_F(TrayIconTest, FreshIconIsOutOfTheTrayWithEmptyTipAndTheApplicationsIcon)
{
    TTrayIcon icon(area, app);
    EXPECT_TRUE(steps.isEmpty()) << steps.join(u',').toStdString();
    EXPECT_FALSE(icon.Visible());
    EXPECT_TRUE(icon.Hide());
    EXPECT_TRUE(icon.Hint().isEmpty());
    EXPECT_EQ(icon.Icon(), FakeApplication::appIcon);
    EXPECT_EQ(icon.RestoreOn, Msg::imDoubleClick);
    EXPECT_EQ(icon.PopupMenuOn, Msg::imNone);
    EXPECT_EQ(icon.GetAnimateInterval(), 1000);
    EXPECT_FALSE(icon.GetAnimate());
    EXPECT_EQ(icon.GetHandle(), FakeNotificationArea::window);
    EXPECT_TRUE(app.hooks.isEmpty());

    icon.SetVisible(true);
    const NotifyIconData added = area.records.last();
    EXPECT_EQ(added.hWnd, FakeNotificationArea::window);
    EXPECT_EQ(added.uFlags, quint32(NifMessage | NifIcon));
    EXPECT_EQ(added.uCallbackMessage, 1025u);
    EXPECT_EQ(added.hIcon, FakeApplication::appIcon);

    TTrayIcon other(area, app);
    other.SetVisible(true);
    EXPECT_NE(area.records.last().uID, added.uID) << "each instance needs its own id";
}

TEST_F(TrayIconTest, ShowingAndHidingAddsAndRemovesWithTheHook)
{
    TTrayIcon icon(area, app);
    icon.SetHide(false);
    icon.SetVisible(true);
    EXPECT_TRUE(icon.Hide());
    EXPECT_EQ(app.hooks.size(), 1);

    icon.SetVisible(true); // no test of the previous state
    EXPECT_EQ(area.count(QStringLiteral("add")), 2);
    EXPECT_EQ(app.hooks.size(), 1);

    icon.SetVisible(false);
    EXPECT_FALSE(icon.Hide());
    EXPECT_TRUE(app.hooks.isEmpty());
    EXPECT_EQ(steps, QStringList({u"add"_s, u"add"_s, u"remove"_s}));
}

TEST_F(TrayIconTest, RefusedAddRaisesWithVisibleAlreadyTrueAndNoHook)
{
    TTrayIcon icon(area, app);
    record(icon);
    icon.SetHide(false);
    area.refuseAdd = true;
    try {
        icon.SetVisible(true);
        FAIL() << "no exception";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.message(), CannotCreate);
    }
    EXPECT_TRUE(icon.Visible());
    EXPECT_FALSE(icon.Hide());
    EXPECT_TRUE(app.hooks.isEmpty());

    // A second add while shown is refused the same way.
    area.refuseAdd = false;
    icon.SetVisible(true);
    area.refuseAdd = true;
    EXPECT_THROW(icon.SetVisible(true), Error);
    EXPECT_TRUE(icon.Visible());
}

TEST_F(TrayIconTest, RefusedRemoveRaisesWithVisibleAlreadyFalseAndTheHookKept)
{
    auto icon = shownIcon();
    area.refuseRemove = true;
    try {
        icon->SetVisible(false);
        FAIL() << "no exception";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.message(), CannotRemove);
    }
    EXPECT_FALSE(icon->Visible());
    EXPECT_TRUE(icon->Hide());
    steps.clear();
    app.sysCommand(msg::ScMinimize);
    EXPECT_EQ(steps, Minimized) << "the hook stays until a remove succeeds";

    // Hiding an icon that is not in the tray is refused by the area.
    FakeNotificationArea empty(steps);
    TTrayIcon hidden(empty, app);
    EXPECT_THROW(hidden.SetVisible(false), EOutOfResources);
    EXPECT_FALSE(hidden.Visible());
}

TEST_F(TrayIconTest, HintTakesAtMost63CharactersAndSendsOnlyChanges)
{
    auto icon = shownIcon();
    const QString h63(63, u'ч');
    icon->SetHint(h63);
    EXPECT_EQ(icon->Hint(), h63);
    ASSERT_EQ(steps, QStringList{u"modify"_s});
    EXPECT_EQ(area.records.last().szTip, h63);
    EXPECT_EQ(area.records.last().uFlags, quint32(NifMessage | NifIcon | NifTip));

    icon->SetHint(h63);
    icon->SetHint(QString(64, u'x'));
    EXPECT_EQ(icon->Hint(), h63);
    EXPECT_EQ(steps, QStringList{u"modify"_s}) << "neither the same text nor 64 characters is sent";

    // A hint set while hidden travels with the add.
    TTrayIcon hidden(area, app);
    const QString clock = QStringLiteral("Время : 12:00:00 Дата : 08.12.2026");
    hidden.SetHint(clock);
    hidden.SetVisible(true);
    EXPECT_EQ(area.records.last().szTip, clock);
    EXPECT_TRUE(area.records.last().uFlags & NifTip);
}

TEST_F(TrayIconTest, ClearingTheHintDropsOnlyTheTooltip)
{
    auto icon = shownIcon();
    icon->PopupMenuOn = Msg::imRightClickUp;
    icon->SetPopupMenu(&menu);
    icon->SetHint(QStringLiteral("Время : 12:00:00"));
    icon->SetHint(QString());
    EXPECT_EQ(area.records.last().uFlags, quint32(NifMessage | NifIcon));
    EXPECT_EQ(area.records.last().hIcon, FakeApplication::appIcon);
    EXPECT_EQ(area.count(QStringLiteral("remove")), 0);

    steps.clear();
    area.mouse(msg::RButtonUp);
    EXPECT_EQ(steps.last(), QStringLiteral("popup 640,1010")) << "callbacks still arrive";
}

TEST_F(TrayIconTest, DoubleClickWithAnyButtonRestoresForImDoubleClick)
{
    auto icon = shownIcon();
    for (const quint32 message : {msg::LButtonDblClk, msg::RButtonDblClk, msg::MButtonDblClk}) {
        steps.clear();
        area.mouse(message);
        EXPECT_EQ(steps, Restored + QStringList{u"OnDblClick"_s}) << message;
    }
}

TEST_F(TrayIconTest, OneButtonGesturesIgnoreTheOtherButtons)
{
    auto icon = shownIcon();
    icon->RestoreOn = Msg::imRightDoubleClick;
    area.mouse(msg::LButtonDblClk);
    area.mouse(msg::MButtonDblClk);
    EXPECT_FALSE(steps.contains(QStringLiteral("restore")));
    area.mouse(msg::RButtonDblClk);
    EXPECT_TRUE(steps.contains(QStringLiteral("restore")));

    // Down and up gestures serve every button.
    icon->SetPopupMenu(&menu);
    icon->RestoreOn = Msg::imMouseDown;
    icon->PopupMenuOn = Msg::imMouseUp;
    steps.clear();
    area.mouse(msg::MButtonDown);
    area.mouse(msg::MButtonUp);
    EXPECT_EQ(steps, Restored + QStringList({mouse(u"OnMouseDown"_s, u"middle"_s, ssMiddle),
                                             u"popup 640,1010"_s,
                                             mouse(u"OnMouseUp"_s, u"middle"_s, ssMiddle)}));

    // imNone matches nothing.
    icon->RestoreOn = Msg::imNone;
    icon->PopupMenuOn = Msg::imNone;
    steps.clear();
    for (quint32 m = msg::MouseMove; m <= msg::MButtonDblClk; ++m)
        area.mouse(m);
    EXPECT_FALSE(steps.contains(QStringLiteral("restore")));
    EXPECT_FALSE(steps.contains(QStringLiteral("popup 640,1010")));
}

TEST_F(TrayIconTest, ImClickTakesEffectOnlyWithAnOnClickHandler)
{
    auto icon = shownIcon();
    icon->RestoreOn = Msg::imClick;
    area.mouse(msg::LButtonUp);
    EXPECT_FALSE(steps.contains(QStringLiteral("restore")));

    withClickHandler(*icon);
    steps.clear();
    area.mouse(msg::LButtonUp);
    EXPECT_EQ(steps,
              Restored + QStringList({u"OnClick"_s, mouse(u"OnMouseUp"_s, u"left"_s, ssLeft)}));
}

TEST_F(TrayIconTest, LeftReleaseRunsClickThenMouseUpThenRestoreThenMenu)
{
    auto icon = shownIcon();
    withClickHandler(*icon);
    icon->SetPopupMenu(&menu);
    icon->RestoreOn = Msg::imLeftClickUp;
    icon->PopupMenuOn = Msg::imLeftClickUp;
    area.mouse(msg::LButtonUp);
    EXPECT_EQ(steps, QStringList({u"OnClick"_s, mouse(u"OnMouseUp"_s, u"left"_s, ssLeft)}) +
                         Restored + QStringList{u"popup 640,1010"_s});
}

TEST_F(TrayIconTest, RightReleasePopsTheMenuUpAfterMouseUpAtTheCursor)
{
    // The clock window's setup.
    auto icon = shownIcon();
    withClickHandler(*icon);
    icon->SetPopupMenu(&menu);
    icon->PopupMenuOn = Msg::imRightClickUp;
    app.activeForm = 31;
    app.keys = {ModifierKey::Shift, ModifierKey::Control};

    area.mouse(msg::RButtonDown);
    EXPECT_EQ(steps, QStringList{mouse(u"OnMouseDown"_s, u"right"_s, ssShift | ssCtrl | ssRight)});
    steps.clear();
    app.cursor = QPoint(12, 34);
    area.mouse(msg::RButtonUp);
    EXPECT_EQ(steps, QStringList({mouse(u"OnMouseUp"_s, u"right"_s, ssShift | ssCtrl | ssRight,
                                        QPoint(12, 34)),
                                  u"foreground 31"_s, u"popup 12,34"_s}));
}

TEST_F(TrayIconTest, ShiftStateAndMouseMoveFollowTheKeyboardAndTheHandler)
{
    auto icon = shownIcon();
    area.mouse(msg::MouseMove);
    EXPECT_TRUE(steps.isEmpty());

    icon->OnMouseMove = [this](TTrayIcon&, TShiftState shift, int x, int y) {
        steps.append(QStringLiteral("move %1 %2,%3").arg(int(shift)).arg(x).arg(y));
    };
    app.keys = {ModifierKey::Alt};
    area.mouse(msg::MouseMove);
    EXPECT_EQ(steps, QStringList{u"move "_s + QString::number(int(ssAlt)) + u" 640,1010"_s});
    EXPECT_EQ(TTrayIcon::ShiftState(app), TShiftState(ssAlt));
    app.keys = {ModifierKey::Shift, ModifierKey::Control, ModifierKey::Alt};
    EXPECT_EQ(TTrayIcon::ShiftState(app), ssShift | ssCtrl | ssAlt);
}

TEST_F(TrayIconTest, WindowMessagesOutsideTheTableAreIgnored)
{
    auto icon = shownIcon();
    icon->RestoreOn = Msg::imMouseDown;
    area.mouse(0x020A); // wheel
    area.mouse(msg::LButtonDown + 0x1000);
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_EQ(area.send(msg::QueryEndSession), 1);
    EXPECT_EQ(area.send(msg::SysCommand), 0);
    EXPECT_EQ(area.send(msg::LButtonDown), 0) << "mouse messages count only via the callback";
    EXPECT_TRUE(steps.isEmpty());
}

TEST_F(TrayIconTest, AMenuGestureWithoutAMenuDoesNothing)
{
    auto icon = shownIcon();
    icon->PopupMenuOn = Msg::imRightClickUp;
    app.activeForm = 31;
    area.mouse(msg::RButtonUp);
    EXPECT_EQ(steps, QStringList{mouse(u"OnMouseUp"_s, u"right"_s, ssRight)});
    icon->ShowMenu();
    EXPECT_EQ(steps.size(), 1);

    // A menu that is removed from its owner is dropped.
    icon->SetPopupMenu(&menu);
    icon->Notification(&menu, TOperation::opRemove);
    EXPECT_EQ(icon->PopupMenu(), nullptr);
    area.mouse(msg::RButtonUp);
    EXPECT_FALSE(steps.contains(QStringLiteral("popup 640,1010")));
}

TEST_F(TrayIconTest, SystemCommandsGoThroughTheTrayOnlyWhileShown)
{
    TTrayIcon icon(area, app);
    record(icon);
    app.sysCommand(msg::ScMinimize);
    EXPECT_TRUE(steps.isEmpty());

    icon.SetVisible(true);
    steps.clear();
    EXPECT_FALSE(app.sysCommand(msg::ScMinimize)) << "the application's own handling goes on";
    EXPECT_EQ(steps, Minimized);
    steps.clear();
    app.sysCommand(msg::ScRestore);
    EXPECT_EQ(steps, Restored);
    steps.clear();
    app.sysCommand(0xF030); // maximise
    EXPECT_TRUE(steps.isEmpty());

    icon.SetVisible(false);
    steps.clear();
    app.sysCommand(msg::ScMinimize);
    EXPECT_TRUE(steps.isEmpty());
}

TEST_F(TrayIconTest, EndOfSessionTakesTheIconAwayButKeepsVisibleAndTheHook)
{
    auto icon = shownIcon();
    EXPECT_EQ(area.send(msg::EndSession), 0);
    EXPECT_EQ(steps, QStringList{u"remove"_s});
    EXPECT_FALSE(area.inTray);
    EXPECT_TRUE(icon->Visible());
    steps.clear();
    app.sysCommand(msg::ScMinimize);
    EXPECT_EQ(steps, Minimized);

    area.refuseRemove = true;
    EXPECT_NO_THROW(icon->EndSession());
}

TEST_F(TrayIconTest, UpdateSendsOnlyWhileShown)
{
    TTrayIcon icon(area, app);
    FakeImageList images(3);
    icon.SetIcons(&images);
    icon.SetIconIndex(2);
    icon.SetHint(QStringLiteral("x"));
    EXPECT_TRUE(steps.isEmpty());
    EXPECT_EQ(icon.Icon(), 202u);

    icon.SetVisible(true);
    EXPECT_EQ(area.records.last().hIcon, 202u);
    icon.SetDefaultIcon();
    EXPECT_EQ(steps.last(), QStringLiteral("modify"));
    EXPECT_EQ(area.records.last().hIcon, FakeApplication::appIcon);

    // No range check: an index past the list leaves no picture, and nothing breaks.
    icon.SetIconIndex(7);
    EXPECT_EQ(icon.IconIndex(), 7);
    EXPECT_EQ(area.records.last().hIcon, 0u);
}

TEST_F(TrayIconTest, AnimationCyclesThroughTheImageList)
{
    auto icon = shownIcon();
    icon->SetAnimate(true);
    EXPECT_FALSE(icon->GetAnimate()) << "no image list";
    EXPECT_FALSE(icon->Animating());

    FakeImageList images(3);
    icon->SetIcons(&images);
    icon->SetAnimateInterval(5);
    icon->SetAnimate(true);
    EXPECT_TRUE(icon->GetAnimate());
    ASSERT_TRUE(icon->Animating());

    area.records.clear();
    QList<IconHandle> shown;
    const QDeadlineTimer deadline(10000);
    while (shown.size() < 7 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        for (qsizetype i = 0; i < area.records.size(); ++i) {
            const IconHandle h = area.records.at(i).hIcon;
            if (shown.isEmpty() || shown.last() != h)
                shown.append(h);
        }
        area.records.clear();
    }
    ASSERT_GE(shown.size(), 7);
    EXPECT_EQ(shown.mid(0, 7), QList<IconHandle>({201, 202, 200, 201, 202, 200, 201}));

    icon->SetAnimate(false);
    EXPECT_FALSE(icon->Animating());
    icon->SetAnimate(true);
    icon->SetAnimateInterval(0);
    EXPECT_FALSE(icon->Animating()) << "an interval of 0 does not tick";
}

TEST_F(TrayIconTest, RemovingTheImageListStopsTheAnimation)
{
    auto icon = shownIcon();
    FakeImageList images(3);
    FakeImageList other(2);
    icon->SetIcons(&images);
    icon->SetAnimate(true);

    icon->Notification(&other, TOperation::opRemove);
    icon->Notification(&images, TOperation::opInsert);
    EXPECT_EQ(icon->Icons(), &images);
    EXPECT_TRUE(icon->Animating());

    icon->Notification(&images, TOperation::opRemove);
    EXPECT_EQ(icon->Icons(), nullptr);
    EXPECT_FALSE(icon->GetAnimate());
    EXPECT_FALSE(icon->Animating());

    icon->SetIcons(&images);
    icon->SetAnimate(true);
    icon->SetIcons(nullptr);
    EXPECT_FALSE(icon->Animating());
}

TEST_F(TrayIconTest, LoadingKeepsAnimateUntilLoadedDecides)
{
    {
        TTrayIcon icon(area, app, {.designing = false, .loading = true});
        icon.SetAnimate(true);
        EXPECT_TRUE(icon.GetAnimate()) << "stored while loading even without a list";
        icon.Loaded();
        EXPECT_FALSE(icon.ComponentState().loading);
        EXPECT_FALSE(icon.GetAnimate());
        EXPECT_EQ(icon.Icon(), FakeApplication::appIcon);
    }
    {
        FakeImageList images(3);
        TTrayIcon icon(area, app, {.designing = false, .loading = true});
        // As a form is read: the list is linked only after the plain values.
        icon.SetIconIndex(1);
        icon.SetAnimate(true);
        icon.SetIcons(&images);
        EXPECT_FALSE(icon.Animating());
        EXPECT_EQ(icon.Icon(), FakeApplication::appIcon);
        icon.Loaded();
        EXPECT_TRUE(icon.Animating());
        EXPECT_EQ(icon.Icon(), 201u);
    }
}

TEST_F(TrayIconTest, InDesignModeOnlyTheFlagsChange)
{
    FakeImageList images(3);
    {
        TTrayIcon icon(area, app, {.designing = true, .loading = false});
        EXPECT_EQ(icon.GetHandle(), 0u);
        icon.SetVisible(true);
        icon.SetHint(QStringLiteral("x"));
        icon.SetIcons(&images);
        icon.SetAnimate(true);
        EXPECT_TRUE(icon.Visible());
        EXPECT_TRUE(icon.GetAnimate());
        EXPECT_FALSE(icon.Animating());
        icon.SetVisible(false);
    }
    EXPECT_TRUE(steps.isEmpty()) << steps.join(u',').toStdString();
    EXPECT_TRUE(app.hooks.isEmpty());
    EXPECT_FALSE(area.deallocated);
}

TEST_F(TrayIconTest, NothingReachesAnIconDestroyedWhileShown)
{
    FakeImageList images(3);
    auto icon = shownIcon();
    icon->SetIcons(&images);
    icon->SetAnimateInterval(1);
    icon->SetAnimate(true);
    icon.reset();

    EXPECT_EQ(steps.last(), QStringLiteral("remove"));
    EXPECT_FALSE(area.inTray);
    EXPECT_TRUE(area.deallocated);
    EXPECT_TRUE(app.hooks.isEmpty());
    steps.clear();
    EXPECT_FALSE(area.mouse(msg::LButtonDblClk));
    app.sysCommand(msg::ScMinimize);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(steps.isEmpty()) << steps.join(u',').toStdString();
}
