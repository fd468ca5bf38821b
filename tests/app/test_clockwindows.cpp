// The clock's other windows are made when first opened, not at start, and are
// kept once made: what they remember lasts for the whole run.
#include "clockfixture.h"

#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QRadioButton>

using namespace zentari;
using zentari::test::ClockFixture;

namespace {

QList<bool> made(const ClockWindows& w)
{
    return {w.settingsMade(),          w.aboutBoxMade(),       w.actionEditorMade(),
            w.reminderEditorMade(),    w.reminderWindowMade(), w.positionChooserMade(),
            w.periodicityDialogMade(), w.passwordWindowMade()};
}

} // namespace

TEST_F(ClockFixture, NoOtherWindowIsMadeAtStartEachIsMadeOnceWhenOpened)
{
    TForm1& clock = start(QString());
    clock.show();
    clock.Timer2Timer();
    sys.clock.advanceSeconds(1);
    clock.Timer1Timer();
    EXPECT_EQ(made(*windows), QList<bool>(8, false));

    clock.ConfigureClick(); // "Настройки звонка (будильника)"
    ASSERT_TRUE(windows->settingsMade());
    TForm2* settings = &windows->settings();
    EXPECT_TRUE(settings->isVisible());
    settings->close();
    clock.ConfigureClick();
    EXPECT_EQ(&windows->settings(), settings);
    EXPECT_TRUE(settings->isVisible());
    // The settings window made nothing else; the action editor brings its dialog.
    EXPECT_EQ(made(*windows), (QList<bool>{true, false, false, false, false, false, false, false}));
    TForm4& editor = windows->actionEditor();
    EXPECT_EQ(editor.Form8, &windows->periodicityDialog());
    EXPECT_EQ(windows->periodicityDialog().Form4, &editor);
    settings->close();
}

TEST_F(ClockFixture, TheSettingsWindowMadeLateShowsAndSetsTheSessionsAlarmSwitch)
{
    start(QStringLiteral("[Options small]\non=no\n"));
    EXPECT_FALSE(session->alarmEnabled());
    conf(QStringLiteral("[Options small]\non=yes\n")); // changed by conf meanwhile
    EXPECT_TRUE(form2->CheckBox1->isChecked());
    EXPECT_TRUE(session->alarmEnabled());
    form2->CheckBox1->setChecked(false);
    EXPECT_FALSE(session->alarmEnabled());
}

TEST_F(ClockFixture, ThePeriodicityChoiceAndTheReminderEditorsStateSurviveCloseAndReopen)
{
    TForm1& clock = start(QString());
    clock.show();
    clock.Timer2Timer();

    TForm8& dialog = windows->periodicityDialog();
    dialog.show();
    dialog.showChoice(3, {false, true, false, false, true, false, false});
    dialog.done(0);
    TForm8& again = windows->periodicityDialog();
    again.show();
    EXPECT_EQ(&again, &dialog);
    EXPECT_EQ(again.code(), 3);
    EXPECT_EQ(again.checkedDays(),
              (std::array<bool, 7>{false, true, false, false, true, false, false}));
    again.done(0);

    const QDate today = sys.clock.now().date();
    ASSERT_TRUE(session->reminders().addReminder(QStringLiteral("A"), QStringLiteral("a"), today,
                                                 QTime(9, 0, 0)));
    ASSERT_TRUE(session->reminders().addReminder(QStringLiteral("B"), QStringLiteral("b"), today,
                                                 QTime(10, 0, 0)));
    TForm5& editor = *form5;
    editor.show();
    EXPECT_EQ(editor.listedTitles(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    // Made after the start-up step, its clock label runs at once.
    EXPECT_EQ(editor.Label1->text(), clock.Label1->text());
    editor.selectRow(1);
    editor.Button4Click(); // "Добавить новую напоминалку": the fields open for a new one
    editor.Edit4->setText(QStringLiteral("Half typed"));
    editor.reject();
    ASSERT_FALSE(editor.isVisible());

    TForm5& reopened = windows->reminderEditor();
    reopened.show();
    EXPECT_EQ(&reopened, &editor);
    EXPECT_EQ(reopened.selectedRow(), 1);
    EXPECT_EQ(reopened.Edit4->text(), u"Half typed");
    EXPECT_TRUE(reopened.Edit4->isEnabled()); // still adding
    reopened.reject();
}
