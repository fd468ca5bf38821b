#include "app/clockdesktop.h"
#include "app/shutdownwarning.h"
#include "clockfixture.h"
#include "scheduler/actiondispatcher.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>

using namespace zentari;
using zentari::test::captions;
using zentari::test::ClockFixture;

namespace {

bool showsPicture(const QAction* item, const QString& file)
{
    const QImage expected = QImage(file).convertToFormat(QImage::Format_ARGB32);
    return item->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32) == expected;
}

} // namespace

TEST_F(ClockFixture, ThePopupMenuHasItsItemsInOrder)
{
    TForm1& clock = start(QString());
    clock.PopupMenu1Popup();
    EXPECT_EQ(captions(clock.desktop().PopupMenu1),
              (QStringList{QStringLiteral("Свернуть в трей"),
                           QStringLiteral("Настройки звонка (будильника)"),
                           QStringLiteral("Особые настройки часов (требуется выход)"),
                           QStringLiteral("Остановить звук"), QStringLiteral("-"),
                           QStringLiteral("Прекратить выход из системы"), QStringLiteral("-"),
                           QStringLiteral("Шаблоны..."), QStringLiteral("-"),
                           QStringLiteral("Проверить обновление"), QStringLiteral("Выход")}));
    EXPECT_FALSE(clock.desktop().N1->isEnabled());
    EXPECT_FALSE(clock.desktop().N3->isEnabled());
    EXPECT_EQ(captions(clock.desktop().N11), QStringList{QStringLiteral("Выключить компьютер...")});
    const QStringList templates = captions(clock.desktop().N8);
    EXPECT_EQ(templates.size(), 14);
    EXPECT_EQ(templates.first(), u"Через 120 минут");
    EXPECT_EQ(templates[2], u"-");
    EXPECT_FALSE(clock.desktop().N8->actions()[2]->isEnabled()); // the first separator is disabled
    EXPECT_EQ(templates.last(), u"Через 1 минуту");
}

TEST_F(ClockFixture, GoingToTheTrayAndBackFlipsCaptionPictureIconAndState)
{
    TForm1& clock = start(QString());
    clock.show();
    clock.SendToTray1Click();
    EXPECT_EQ(clock.inTray, 1);
    EXPECT_TRUE(clock.desktop().TrayIcon1->Visible());
    EXPECT_FALSE(clock.isVisible());
    clock.PopupMenu1Popup();
    EXPECT_EQ(clock.desktop().SendToTray1->text(), u"Восстановить из трея");
    EXPECT_TRUE(
        showsPicture(clock.desktop().SendToTray1, dir.file(QStringLiteral("data/res.bmp"))));

    clock.SendToTray1Click();
    EXPECT_EQ(clock.inTray, 0);
    EXPECT_FALSE(clock.desktop().TrayIcon1->Visible());
    EXPECT_TRUE(clock.isVisible());
    clock.PopupMenu1Popup();
    EXPECT_EQ(clock.desktop().SendToTray1->text(), u"Свернуть в трей");
    EXPECT_TRUE(
        showsPicture(clock.desktop().SendToTray1, dir.file(QStringLiteral("data/min.bmp"))));
    EXPECT_EQ(traySteps.count(QStringLiteral("add")), 1);
    EXPECT_EQ(traySteps.count(QStringLiteral("remove")), 1);
    EXPECT_TRUE(sys.windows.skipTaskbar.value(clock.winId())); // no taskbar button once back
}

TEST_F(ClockFixture, TheStartUpTimerSendsTheClockToTheTrayUnlessTraySetIsZero)
{
    TForm1& clock = start(QString());
    clock.show();
    clock.Timer2Timer();
    EXPECT_EQ(clock.inTray, 1);
    EXPECT_FALSE(clock.Timer2->isActive());
    EXPECT_TRUE(form4->Timer1->isActive());
    EXPECT_EQ(session->exitAllowed(), 1);

    TForm1& shown = start(QStringLiteral("[Options big]\nTraySet=0\n"));
    shown.show();
    shown.Timer2Timer();
    EXPECT_EQ(shown.inTray, 0);
    EXPECT_TRUE(shown.isVisible());
}

TEST_F(ClockFixture, WithProtectionTheStartUpTimerKeepsExitForbidden)
{
    sys.machine.values[QStringLiteral("USE")] = QStringLiteral("1");
    start(QString()).Timer2Timer();
    EXPECT_EQ(session->exitAllowed(), 0);
}

TEST_F(ClockFixture, GoingToTheTraySavesThePositionAndEveryPassReappliesIt)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nSavePosition=1\nLeft=5\nTop=6\n"));
    clock.show();
    clock.move(400, 300);
    clock.SendToTray1Click();
    EXPECT_EQ(confValue(QStringLiteral("Options big"), QStringLiteral("Left")), u"400");
    EXPECT_EQ(confValue(QStringLiteral("Options big"), QStringLiteral("Top")), u"300");
    conf(QStringLiteral("[Options big]\nSavePosition=1\nLeft=50\nTop=60\n"));
    clock.SendToTray1Click();
    EXPECT_EQ(clock.pos(), QPoint(50, 60));
}

TEST_F(ClockFixture, ExitWithoutProtectionNeverRestarts)
{
    TForm1& clock = start(QString());
    clock.N5Click();
    EXPECT_EQ(session->exitAllowed(), 1);
    EXPECT_TRUE(sys.logged(QStringLiteral("restart")).isEmpty());
    EXPECT_TRUE(sys.messages.shown.isEmpty());
}

TEST_F(ClockFixture, ARingingAlarmCanBePutOffFromTheMenuForItsMinutes)
{
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "x\r\n");
    TForm1& clock = start(QStringLiteral("[Options big]\nSnoozeMinutes=1\nTimesPlay=0\n"
                                         "[Actionx]\nAction=0\nTime=12:00:05\nType_Per=2\n"
                                         "Path=/music/wake.mp3\n"));
    ClockDesktop& desktop = clock.desktop();
    const auto tickAt = [&](int second) {
        sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, second)));
        clock.Timer1Timer();
    };
    // A reminder's sound can be stopped but not put off.
    clock.dispatcher().startSound(QStringLiteral("bell.mp3"));
    tickAt(1);
    EXPECT_TRUE(desktop.N1->isEnabled());
    EXPECT_FALSE(desktop.SnoozeSound->isVisible());
    clock.N1Click();

    tickAt(5);
    tickAt(6);
    const QStringList shown = captions(desktop.PopupMenu1);
    ASSERT_EQ(shown.indexOf(QStringLiteral("Отложить сигнал на 1 минуту")),
              shown.indexOf(QStringLiteral("Остановить звук")) + 1);
    for (const auto& [minutes, caption] : {std::pair("5", "Отложить сигнал на 5 минут"),
                                           std::pair("10", "Отложить сигнал на 10 минут")}) {
        conf(QStringLiteral("[Options big]\nTimesPlay=0\nSnoozeMinutes=") + QLatin1String(minutes) +
             QStringLiteral("\n[Actionx]\nAction=0\nTime=12:00:05\nType_Per=2\n"
                            "Path=/music/wake.mp3\n"));
        clock.FormActivate();
        tickAt(7);
        EXPECT_EQ(desktop.SnoozeSound->text(), QString::fromUtf8(caption));
    }
    // The tray's menu is the same menu, so one trigger stands for both.
    desktop.SnoozeSound->trigger();
    EXPECT_FALSE(desktop.SnoozeSound->isVisible());
    EXPECT_FALSE(desktop.N1->isEnabled());
    EXPECT_EQ(session->actionIds(),
              (QStringList{QStringLiteral("x"), QStringLiteral("08.12.2026 12:10:07")}));
    EXPECT_TRUE(sys.messages.shown.isEmpty());
    EXPECT_EQ(sys.logged(QStringLiteral("play")).size(), 2);

    // The Russian plural, past the simple cases.
    for (const auto& [minutes, word] :
         {std::pair(2, "минуты"), std::pair(11, "минут"), std::pair(21, "минуту"),
          std::pair(24, "минуты"), std::pair(112, "минут"), std::pair(1440, "минут")})
        EXPECT_EQ(ClockDesktop::snoozeCaption(minutes),
                  QStringLiteral("Отложить сигнал на %1 ").arg(minutes) + QString::fromUtf8(word));
}

TEST_F(ClockFixture, StopSoundAndAbortShutdownDoWhatTheySay)
{
    TForm1& clock = start(QString());
    clock.dispatcher().startSound(QStringLiteral("a.mp3"));
    clock.Timer1Timer();
    EXPECT_TRUE(clock.desktop().N1->isEnabled());
    clock.N1Click();
    clock.Timer1Timer();
    EXPECT_FALSE(clock.desktop().N1->isEnabled());

    conf(QStringLiteral("[Actionx]\nAction=4\nTime=12:00:05\nType_Per=2\n"));
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "x\r\n");
    clock.FormActivate();
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, 5)));
    clock.Timer1Timer();
    EXPECT_TRUE(clock.desktop().N3->isEnabled());
    EXPECT_TRUE(clock.shutdownWarning()->isVisible());
    clock.N3Click();
    EXPECT_FALSE(clock.desktop().N3->isEnabled());
    EXPECT_FALSE(clock.shutdownWarning()->isVisible());
    EXPECT_EQ(sys.logged(QStringLiteral("cancel-shutdown")).size(), 1);
}

TEST_F(ClockFixture, ATemplateClickIsSeenByTheNextTick)
{
    TForm1& clock = start(QString());
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0)));
    clock.Timer1Timer();
    clock.N13Click();
    EXPECT_EQ(clock.actionIds(), QStringList{QStringLiteral("08.12.2026 12:01:00")});
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")),
              QStringList{QStringLiteral("Шаблон на выключениеЧерез 1 минуту12:01:00")});
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 1, 0)));
    clock.Timer1Timer();
    clock.Timer1Timer(); // a second tick in the same second does nothing more
    EXPECT_EQ(sys.logged(QStringLiteral("poweroff")),
              QStringList{QStringLiteral("poweroff\t50\t") + ActionDispatcher::kShutdownMessage});
}

TEST_F(ClockFixture, AlarmsOffStopsDispatchButNotTheClock)
{
    TForm1& clock = start(QStringLiteral(
        "[Options small]\non=no\n[Actionx]\nAction=0\nTime=12:00:00\nType_Per=2\nPath=a.mp3\n"));
    dir.write(QStringLiteral("data/1Ids.zdt"), "x\r\n");
    dir.write(QStringLiteral("data/1Paths.zdt"), "x\r\n");
    clock.FormActivate();
    EXPECT_FALSE(form2->alarmEnabled());
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, 0)));
    clock.Timer1Timer();
    EXPECT_EQ(clock.Label1->text(), u"12:00:00");
    EXPECT_TRUE(sys.logged(QStringLiteral("play")).isEmpty());
    // Switched on again: what came due meanwhile is not replayed.
    form2->CheckBox1->setChecked(true);
    sys.clock.set(QDateTime(QDate(2026, 12, 8), QTime(12, 0, 2)));
    clock.Timer1Timer();
    EXPECT_TRUE(sys.logged(QStringLiteral("play")).isEmpty());
}

// ---------------------------------------------------------------- protection

class ProtectedClock : public ClockFixture
{
protected:
    void SetUp() override
    {
        sys.machine.values[QStringLiteral("USE")] = QStringLiteral("1");
        sys.machine.values[QStringLiteral("PAS")] = QStringLiteral("100 101 102 "); // "abc"
        start(QString()).show();
        form1->Timer2Timer();
        form1->SendToTray1Click(); // back from the tray, shown
        ASSERT_TRUE(form1->isVisible());
    }

    static void type(TForm9& gate, const char* text)
    {
        gate.Edit1->setText(QString::fromUtf8(text));
        gate.Button1Click();
    }
};

TEST_F(ProtectedClock, EachProtectedCommandHidesTheClockAndWaitsForThePassword)
{
    const std::vector<std::pair<int, void (TForm1::*)()>> commands = {{1, &TForm1::ConfigureClick},
                                                                      {2, &TForm1::N6Click},
                                                                      {3, &TForm1::N5Click},
                                                                      {4, &TForm1::N3Click}};
    for (const auto& [code, command] : commands) {
        withGate(
            [&](TForm9& gate) {
                EXPECT_TRUE(gate.isVisible());
                EXPECT_FALSE(form1->isVisible()) << code;
                EXPECT_EQ(form1->pendingCommand(), code);
                EXPECT_TRUE(gate.Edit1->text().isEmpty());
                gate.Edit1->setText(QStringLiteral("typed"));
                gate.Button2Click(); // "Отмена"
            },
            [&] { (form1.get()->*command)(); });
        EXPECT_TRUE(form1->isVisible()) << code;
    }
    EXPECT_TRUE(sys.logged(QStringLiteral("open")).isEmpty());
    EXPECT_TRUE(sys.logged(QStringLiteral("cancel-shutdown")).isEmpty());
    EXPECT_EQ(session->exitAllowed(), 0);
}

TEST_F(ProtectedClock, AWrongPasswordIsRefusedAndTheRightOneCarriesTheCommandOut)
{
    withGate(
        [&](TForm9& gate) {
            type(gate, "abd");
            EXPECT_EQ(sys.messages.shown, QStringList{QStringLiteral("Пароль неверен")});
            EXPECT_EQ(sys.logged(QStringLiteral("message")).first(),
                      QStringLiteral("message\tОбломись!\tПароль неверен"));
            EXPECT_TRUE(gate.Edit1->text().isEmpty());
            EXPECT_TRUE(gate.isVisible());
            type(gate, "abc");
        },
        [&] { form1->N6Click(); });
    EXPECT_EQ(session->exitAllowed(), 1);
    EXPECT_EQ(sys.logged(QStringLiteral("open")),
              QStringList{QStringLiteral("open\t") + dir.path() + QStringLiteral("conf\t")});
    EXPECT_TRUE(sys.logged(QStringLiteral("restart")).isEmpty()); // closed with permission
}

TEST_F(ProtectedClock, ExitClearsThePermissionBeforeCheckingThePassword)
{
    session->setExitAllowed(1);
    withGate(
        [&](TForm9& gate) {
            type(gate, "wrong");
            EXPECT_EQ(session->exitAllowed(), 0);
            gate.Button2Click();
        },
        [&] { form1->N5Click(); });
    withGate([&](TForm9& gate) { type(gate, "abc"); }, [&] { form1->N5Click(); });
    EXPECT_EQ(session->exitAllowed(), 1);
    EXPECT_TRUE(sys.logged(QStringLiteral("restart")).isEmpty());
}

TEST_F(ProtectedClock, TheRightPasswordAbortsAPendingShutdownAndShowsTheClock)
{
    form1->desktop().N3->setEnabled(true);
    withGate([&](TForm9& gate) { type(gate, "abc"); }, [&] { form1->N3Click(); });
    EXPECT_EQ(sys.logged(QStringLiteral("cancel-shutdown")).size(), 1);
    EXPECT_FALSE(form1->desktop().N3->isEnabled());
    EXPECT_TRUE(form1->isVisible());
}

TEST_F(ProtectedClock, TheSettingsCommandOpensTheSettingsAfterThePassword)
{
    withGate([&](TForm9& gate) { type(gate, "abc"); }, [&] { form1->ConfigureClick(); });
    EXPECT_TRUE(form2->isVisible());
}

TEST_F(ClockFixture, TheConfigurationToolAndTheDownloadPageOpenThroughTheShell)
{
    TForm1& clock = start(QString());
    clock.Timer2Timer(); // no protection: exit is allowed from here on
    clock.N7Click();
    clock.N6Click();
    EXPECT_EQ(sys.logged(QStringLiteral("open")),
              (QStringList{QStringLiteral("open\t") + TForm1::kDownloadPage + u'\t',
                           QStringLiteral("open\t") + dir.path() + QStringLiteral("conf\t")}));
    EXPECT_TRUE(TForm1::kDownloadPage.endsWith(QStringLiteral("/Download.htm")));
    EXPECT_TRUE(sys.logged(QStringLiteral("restart")).isEmpty());
}

TEST_F(ClockFixture, WithoutANotificationAreaTheClockStaysSilentlyUntilOneAppears)
{
    trayArea.refuseAdd = true;
    TForm1& clock = start(QString());
    clock.show();
    clock.Timer2Timer();
    EXPECT_TRUE(sys.messages.shown.isEmpty()) << sys.messages.shown.join(u'|').toStdString();
    EXPECT_EQ(clock.inTray, 0);
    EXPECT_TRUE(clock.isVisible());
    EXPECT_TRUE(form4->Timer1->isActive());
    EXPECT_EQ(session->exitAllowed(), 1);

    // Asked for explicitly, the tray's absence is said in Russian.
    clock.desktop().SendToTray1->trigger();
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(sys.messages.shown[0].startsWith(
        QStringLiteral("На этом рабочем столе нет области уведомлений")));
    EXPECT_EQ(clock.inTray, 0);
    EXPECT_TRUE(clock.isVisible());

    // A panel with a tray started later: the command works at once.
    trayArea.refuseAdd = false;
    clock.desktop().SendToTray1->trigger();
    EXPECT_EQ(clock.inTray, 1);
    EXPECT_FALSE(clock.isVisible());
}

TEST_F(ClockFixture, MinimisingTheClockOnTheDesktopNeverLosesIt)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nWithBoard=1\nTraySet=0\n"));
    clock.show();
    clock.Timer2Timer();
    ASSERT_EQ(clock.inTray, 0);
    clock.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_EQ(clock.inTray, 1) << "minimised with a tray: to the tray";
    clock.desktop().SendToTray1->trigger();
    EXPECT_EQ(clock.inTray, 0);
    EXPECT_FALSE(clock.isMinimized());

    // No tray: a taskbar button while minimised, none again once it is back.
    trayArea.refuseAdd = true;
    const quint64 wid = clock.winId();
    clock.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_EQ(clock.inTray, 0);
    EXPECT_FALSE(sys.windows.skipTaskbar.value(wid, true));
    clock.setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sys.windows.skipTaskbar.value(wid, false));
    EXPECT_TRUE(sys.messages.shown.isEmpty());
}

TEST_F(ClockFixture, TheClockGoesOnTickingUnderABoxOpenedByTheTick)
{
    TForm1& clock = start(QStringLiteral("[Options big]\nTimesPlay=often\n"));
    clock.dispatcher().startSound(QStringLiteral("a.mp3"));
    sys.player.finish(); // the repeat step reads the bad "TimesPlay" and reports it
    bool armedUnderTheBox = false;
    sys.messages.onShow = [&] { armedUnderTheBox = clock.Timer1->isActive(); };
    clock.Timer1->start(0);
    QElapsedTimer waited;
    waited.start();
    while (sys.messages.shown.isEmpty() && waited.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_TRUE(armedUnderTheBox);
}

TEST_F(ClockFixture, ADueReminderSignalsShowsItsWindowAndBringsTheClockBackFromTheTray)
{
    TForm1& clock = start(QString());
    const QDate today = sys.clock.now().date();
    ASSERT_TRUE(form5->store().addReminder(QStringLiteral("Чайник"), QStringLiteral("выключить"),
                                           today, QTime(12, 0, 5)));
    ASSERT_TRUE(form5->store().addReminder(QStringLiteral("Врач"), QStringLiteral("в 12:00:07"),
                                           today, QTime(12, 0, 7)));
    clock.show();
    clock.Timer2Timer();
    ASSERT_EQ(clock.inTray, 1);

    // Alarms off: the first passes without a sound or a window.
    form2->CheckBox1->setChecked(false);
    sys.clock.set(QDateTime(today, QTime(12, 0, 5)));
    clock.Timer1Timer();
    EXPECT_TRUE(sys.logged(QStringLiteral("beep")).isEmpty());

    form2->CheckBox1->setChecked(true);
    sys.clock.set(QDateTime(today, QTime(12, 0, 7)));
    QString shownTitle, shownText;
    QTimer::singleShot(0, form6.get(), [&] {
        shownTitle = form6->windowTitle();
        shownText = form6->Memo1->toPlainText();
        form6->close();
    });
    clock.Timer1Timer();
    EXPECT_EQ(shownTitle, u"Врач");
    EXPECT_EQ(shownText, u"в 12:00:07");
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), QStringList{QStringLiteral("beep\t1000\t1000")});
    EXPECT_EQ(clock.inTray, 0);
    EXPECT_TRUE(clock.isVisible());
    EXPECT_TRUE(form6->windowFlags() & Qt::WindowStaysOnTopHint);
}
