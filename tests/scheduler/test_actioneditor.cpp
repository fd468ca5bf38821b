#include "core/atomicfile.h"
#include "core/cp1251.h"
#include "core/error.h"
#include "core/textlist.h"
#include "platform/bitmapbutton.h"
#include "scheduler/actioneditor.h"
#include "scheduler/periodicitydialog.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace zentari;
using namespace zentari::test;

namespace {

// Expected lines, written as plain literals.
QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// The editor and its periodicity dialog over a throw-away program folder with
// the bundled button pictures.
class ActionEditor : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    std::unique_ptr<ErrorReport> report;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm8> form8;
    int storeChanges = 0;

    ActionEditor()
    {
        QDir().mkpath(dir.file(QStringLiteral("data/buttons")));
        for (int i = 1; i <= 3; ++i) {
            const QString name = QStringLiteral("buttons/ButtonAddAction%1.bmp").arg(i);
            QFile::copy(QStringLiteral(ZENTARI_SOURCE_DATA_DIR "/") + name,
                        dir.file(QStringLiteral("data/") + name));
        }
        report = std::make_unique<ErrorReport>(sys.messages);
    }

    TForm4& open()
    {
        form4 = std::make_unique<TForm4>(dir.path(), sys.services(), *report,
                                         [] { return QStringLiteral("10:29:58"); });
        form8 = std::make_unique<TForm8>();
        form4->setPeriodicityDialog(form8.get());
        form4->onStoreChanged = [this] { ++storeChanges; };
        form4->show();
        QApplication::processEvents();
        form4->FormActivate();
        return *form4;
    }

    // Closes the periodicity dialog from inside its own modal loop after `act`.
    void usePeriodicityDialog(std::function<void(TForm8&)> act)
    {
        bool ran = false;
        QTimer::singleShot(0, form8.get(), [&] {
            ran = true;
            act(*form8);
            form8->close();
        });
        form4->BitBtn3Click();
        EXPECT_TRUE(ran) << "the periodicity dialog did not open";
    }

    using Texts = std::initializer_list<const char*>;
    void writeLists(Texts actions, Texts paths, Texts times, Texts dates, Texts ids)
    {
        textlist::save(dir.file(QStringLiteral("data/1Actions.zdt")), lines(actions));
        textlist::save(dir.file(QStringLiteral("data/1Paths.zdt")), lines(paths));
        textlist::save(dir.file(QStringLiteral("data/1Times.zdt")), lines(times));
        textlist::save(dir.file(QStringLiteral("data/1Dates.zdt")), lines(dates));
        textlist::save(dir.file(QStringLiteral("data/1Ids.zdt")), lines(ids));
    }

    QString existingFile(const QString& name)
    {
        const QString path = dir.file(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }

    // Shown in its window (the window is shown): isVisible of a child answers that.
    static bool shown(const QWidget* w) { return w->isVisible(); }
};

} // namespace

TEST_F(ActionEditor, EmptyStoreOpensInBrowseModeWithTheInitialValues)
{
    TForm4& f = open();
    EXPECT_EQ(f.windowTitle(), u"Настройка будильника");
    EXPECT_EQ(f.size(), QSize(488, 376));
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(f.ListBox1->currentRow(), -1);
    EXPECT_EQ(f.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(f.ComboBox1->placeholderText(), u"Здесь выберите действие");
    EXPECT_EQ(f.Edit1->text(), u"Путь до файла");
    EXPECT_EQ(f.DateTimePicker1->time(), QTime(22, 56));
    EXPECT_EQ(f.DateTimePicker2->date(), QDate(2004, 5, 30));
    EXPECT_EQ(f.DateTimePicker2->text(), u"30.05.2004");
    EXPECT_EQ(f.Label1->text(), u"Пон, Вт, Ср, Чет, Пят, Суб, Воскр");
    for (QWidget* w : std::initializer_list<QWidget*>{f.Button1, f.Button2, f.Button3, f.Button4,
                                                      f.Label4, f.Label5, f.Label6, f.Label7})
        EXPECT_TRUE(shown(w));
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.SpeedButton1, f.BitBtn2, f.BitBtn3, f.BitBtn1})
        EXPECT_FALSE(shown(w));
    for (QWidget* w : std::initializer_list<QWidget*>{f.ComboBox1, f.Edit1, f.DateTimePicker1,
                                                      f.DateTimePicker2})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(sys.messages.shown.isEmpty()) << sys.messages.shown.join(u'\n').toStdString();
}

// To a screen reader the four pictures are buttons named by their captions,
// and pressing one does what Space does.
TEST_F(ActionEditor, AScreenReaderPressesThePictureButtons)
{
    TForm4& f = open();
    QAccessibleInterface* add = QAccessible::queryAccessibleInterface(f.Button4);
    ASSERT_TRUE(add);
    EXPECT_EQ(add->role(), QAccessible::Button);
    EXPECT_EQ(add->text(QAccessible::Name), u"Добавить действие");
    ASSERT_TRUE(add->actionInterface());
    add->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.editing; }, 3000)); // as Qt presses a button
    EXPECT_TRUE(f.Button4->transparent()) << "no pressed picture for a press without the mouse";
}

TEST_F(ActionEditor, AddSwitchesToEditingAndCancelBack)
{
    TForm4& f = open();
    f.Button4Click();
    EXPECT_TRUE(f.editing);
    for (QWidget* w : std::initializer_list<QWidget*>{f.Button1, f.Button2, f.Button3, f.Button4,
                                                      f.Label4, f.Label5, f.Label6, f.Label7})
        EXPECT_FALSE(shown(w));
    // No type chosen yet counts as a file type: the path box and "Обзор" are offered.
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.SpeedButton1, f.BitBtn2, f.BitBtn3, f.BitBtn1, f.Edit1})
        EXPECT_TRUE(shown(w));
    for (QWidget* w : std::initializer_list<QWidget*>{f.ComboBox1, f.Edit1, f.DateTimePicker1,
                                                      f.DateTimePicker2})
        EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(f.Label1->text(), u"");

    f.BitBtn2Click();
    EXPECT_FALSE(f.editing);
    EXPECT_TRUE(shown(f.Button4));
    EXPECT_FALSE(shown(f.SpeedButton1));
    EXPECT_FALSE(shown(f.BitBtn1));
    EXPECT_FALSE(f.ComboBox1->isEnabled());
    EXPECT_EQ(storeChanges, 0);
}

TEST_F(ActionEditor, ShutdownHidesThePathAndIsListedAsВыключение)
{
    TForm4& f = open();
    f.Button4Click();
    f.ComboBox1->setCurrentIndex(4);
    EXPECT_EQ(f.Edit1->text(), u"Выключение");
    EXPECT_FALSE(shown(f.Edit1));
    EXPECT_FALSE(shown(f.BitBtn1));
    f.ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(f.Edit1->text(), u"Выберите файл!!!!");
    EXPECT_TRUE(shown(f.Edit1));
    f.ComboBox1->setCurrentIndex(4);

    f.DateTimePicker1->setTime(QTime(23, 0, 5));
    f.DateTimePicker2->setDate(QDate(2026, 12, 9));
    f.SpeedButton1Click();
    EXPECT_FALSE(f.editing);
    ASSERT_EQ(f.ListBox1->count(), 1);
    EXPECT_EQ(f.ListBox1->item(0)->text(), u"Выключение");
    EXPECT_EQ(f.ListBox1->currentRow(), -1);
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")), lines({"09.12.2026 23:00:05"}));
    EXPECT_EQ(storeChanges, 1);
    // Entering editing again with a labelled type keeps the path box shut.
    f.Button4Click();
    EXPECT_FALSE(shown(f.BitBtn1));
    EXPECT_FALSE(f.Edit1->isEnabled());
}

TEST_F(ActionEditor, OkRefusesAnActionThatCouldNeverRunAndStaysEditing)
{
    TForm4& f = open();
    f.Button4Click();
    f.SpeedButton1Click(); // no type chosen
    f.ComboBox1->setCurrentIndex(0);
    f.SpeedButton1Click(); // the prompt instead of a file
    ASSERT_EQ(sys.messages.shown.size(), 2);
    EXPECT_TRUE(sys.messages.shown[0].contains(u"Здесь выберите действие"));
    EXPECT_TRUE(sys.messages.shown[1].contains(u"Обзор"));
    EXPECT_TRUE(f.editing);
    EXPECT_TRUE(shown(f.SpeedButton1));
    EXPECT_EQ(dir.read(QStringLiteral("data/1Ids.zdt")), QByteArray());
    EXPECT_EQ(storeChanges, 0);
}

TEST_F(ActionEditor, BrowseFillsThePathAndACancelledBrowseLeavesIt)
{
    TForm4& f = open();
    const QString sound = existingFile(QStringLiteral("alarm.MP3"));
    QStringList filtersSeen;
    QString answer = sound;
    f.chooseFile = [&](const QStringList& filters) {
        filtersSeen = filters;
        return answer;
    };
    f.Button4Click();
    f.ComboBox1->setCurrentIndex(0);
    f.BitBtn1Click();
    EXPECT_EQ(f.Edit1->text(), sound);
    EXPECT_TRUE(filtersSeen.value(0).startsWith(u"Все доступные звуковые файлы"));
    answer = QString();
    f.BitBtn1Click();
    EXPECT_EQ(f.Edit1->text(), sound);

    f.DateTimePicker1->setTime(QTime(6, 30));
    f.DateTimePicker2->setDate(QDate(2026, 12, 10));
    f.SpeedButton1Click();
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Paths.zdt")), QStringList{sound});
    IniFile ini(dir.confPath());
    EXPECT_EQ(ini.readString(u"Action10.12.2026 6:30:00", u"Time", {}), u"6:30:00");
    EXPECT_EQ(ini.readString(u"Action10.12.2026 6:30:00", u"Type_Per", {}), u"1");
}

TEST_F(ActionEditor, SelectingALineLoadsItsValuesAndItsOwnWeekdays)
{
    writeLists({"0", "4"}, {"/m.mp3", "Шаблон на выключение через 5 минут"},
               {"7:00:00", "12:05:00"}, {"08.12.2026", "08.12.2026"},
               {"08.12.2026 7:00:00 #2", "08.12.2026 12:05:00"});
    dir.writeConf(QStringLiteral("[Action08.12.2026 7:00:00]\nMon=1\nSun=1\n"
                                 "[Action08.12.2026 7:00:00 #2]\nAction=0\nWed=1\nFri=1\n"
                                 "[Action08.12.2026 12:05:00]\nAction=4\nDate=08.12.2026\n"
                                 "Time=12:05:00\nPath=Выключение\nType_Per=1\n"));
    TForm4& f = open();
    // Activation selects the first line and loads it, but leaves the weekday line.
    EXPECT_EQ(f.ListBox1->currentRow(), 0);
    EXPECT_EQ(f.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(f.Edit1->text(), u"/m.mp3");
    EXPECT_EQ(f.DateTimePicker1->time(), QTime(7, 0));
    EXPECT_EQ(f.DateTimePicker1->text(), u"7:00:00");
    EXPECT_EQ(f.Label1->text(), u"Пон, Вт, Ср, Чет, Пят, Суб, Воскр");

    f.ListBox1->setCurrentRow(1);
    EXPECT_EQ(f.ComboBox1->currentIndex(), 4);
    EXPECT_EQ(f.Edit1->text(), u"Шаблон на выключение через 5 минут");
    EXPECT_EQ(f.Label1->text(), u"") << "a template action has no weekday keys";
    // The stored id, not one formed again from the shown date and time.
    f.ListBox1->setCurrentRow(0);
    EXPECT_EQ(f.Label1->text(), u" ,Ср ,Пят");
}

TEST_F(ActionEditor, ListsOutOfStepReportAnErrorAndKeepWhatWasSet)
{
    writeLists({"1", "2"}, {"/a", "Перезагрузка"}, {"7:00:00"}, {"08.12.2026"},
               {"08.12.2026 7:00:00", "x"});
    TForm4& f = open();
    f.ListBox1->setCurrentRow(1);
    ASSERT_EQ(sys.messages.shown.size(), 1);
    EXPECT_EQ(f.ComboBox1->currentIndex(), 2);
    EXPECT_EQ(f.Edit1->text(), u"Перезагрузка");
    EXPECT_EQ(f.DateTimePicker1->time(), QTime(7, 0));
}

TEST_F(ActionEditor, DeleteWithNothingSelectedBeepsAndChangesNothing)
{
    writeLists({"2"}, {"Перезагрузка"}, {"7:00:00"}, {"08.12.2026"}, {"08.12.2026 7:00:00"});
    dir.writeConf(QStringLiteral("[Action08.12.2026 7:00:00]\nAction=2\n"));
    TForm4& f = open();
    const QByteArray conf = dir.read(QStringLiteral("conf.ini"));
    f.ListBox1->setCurrentRow(-1);
    f.Button2Click();
    EXPECT_EQ(sys.logged(QStringLiteral("beep")), lines({"beep\t1000\t1000"}));
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), conf);
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")), lines({"08.12.2026 7:00:00"}));

    f.ListBox1->setCurrentRow(0);
    f.Button2Click();
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")), QStringList());
    EXPECT_FALSE(IniFile(dir.confPath()).sectionExists(u"Action08.12.2026 7:00:00"));
    // Right after a delete nothing is selected: the next delete only beeps.
    f.Button2Click();
    EXPECT_EQ(sys.logged(QStringLiteral("beep")).size(), 2);
    EXPECT_EQ(storeChanges, 1);
}

TEST_F(ActionEditor, ChangeKeepsTheOldActionUntilOkAndCancelKeepsItForGood)
{
    writeLists({"2"}, {"Перезагрузка"}, {"7:00:00"}, {"08.12.2026"}, {"08.12.2026 7:00:00"});
    dir.writeConf(QStringLiteral("[Action08.12.2026 7:00:00]\nAction=2\nType_Per=2\n"));
    TForm4& f = open();
    const QByteArray conf = dir.read(QStringLiteral("conf.ini"));
    f.Button3Click();
    EXPECT_TRUE(f.editing);
    EXPECT_EQ(f.ComboBox1->currentIndex(), 2) << "the controls keep the action's values";
    f.BitBtn2Click();
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), conf);
    EXPECT_EQ(f.ListBox1->count(), 1);

    f.ListBox1->setCurrentRow(0);
    f.Button3Click();
    f.DateTimePicker1->setTime(QTime(7, 30));
    f.SpeedButton1Click();
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")), lines({"08.12.2026 7:30:00"}));
    EXPECT_FALSE(IniFile(dir.confPath()).sectionExists(u"Action08.12.2026 7:00:00"));
    EXPECT_TRUE(sys.logged(QStringLiteral("beep")).isEmpty());
}

TEST_F(ActionEditor, ThePeriodicityDialogKeepsItsStateAndReportsItsCodeHoweverClosed)
{
    writeLists({"3"}, {"Выход на экран приветствия"}, {"7:00:00"}, {"08.12.2026"},
               {"08.12.2026 7:00:00"});
    TForm4& f = open();
    EXPECT_EQ(form8->windowTitle(), u"Выберите периодичность исполнения");
    EXPECT_EQ(form8->size(), QSize(297, 201));
    EXPECT_TRUE(form8->RadioButton1->isChecked());
    EXPECT_FALSE(form8->CheckListBox1->isEnabled());

    f.Button4Click();
    f.ComboBox1->setCurrentIndex(2);
    f.DateTimePicker1->setTime(QTime(5, 4, 3));
    usePeriodicityDialog([](TForm8&) {});
    EXPECT_TRUE(f.periodicityChosen);
    EXPECT_EQ(f.periodicityCode, 1);

    usePeriodicityDialog([](TForm8& d) {
        d.RadioButton3->click();
        EXPECT_TRUE(d.CheckListBox1->isEnabled());
        d.CheckListBox1->item(0)->setCheckState(Qt::Checked);
        d.CheckListBox1->item(4)->setCheckState(Qt::Checked);
    });
    EXPECT_EQ(f.periodicityCode, 3);
    // Returning from the dialog (the window system activates the editor again)
    // does not reload the store over the values being edited.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form4.get(), &activate);
    QApplication::processEvents();
    EXPECT_EQ(f.DateTimePicker1->time(), QTime(5, 4, 3));
    EXPECT_EQ(f.ComboBox1->currentIndex(), 2);

    usePeriodicityDialog([](TForm8& d) {
        EXPECT_TRUE(d.RadioButton3->isChecked());
        EXPECT_TRUE(d.checked(0));
        EXPECT_TRUE(d.checked(4));
        d.RadioButton2->click(); // disabling keeps the check marks
        EXPECT_FALSE(d.CheckListBox1->isEnabled());
    });
    EXPECT_EQ(f.periodicityCode, 2);
    f.SpeedButton1Click();
    IniFile ini(dir.confPath());
    const QString section = QStringLiteral("Action08.12.2026 5:04:03");
    EXPECT_EQ(ini.readString(section, u"Type_Per", {}), u"2");
    EXPECT_EQ(ini.readString(section, u"Mon", {}), u"1");
    EXPECT_EQ(ini.readString(section, u"Fri", {}), u"1");
    EXPECT_EQ(ini.readString(section, u"Tue", {}), u"0");
    f.ListBox1->setCurrentRow(1);
    EXPECT_EQ(f.Label1->text(), u" ,Пон ,Пят");
}

TEST_F(ActionEditor, PictureButtonsLightUpOnHoverAndPressAndResetOverTheBackground)
{
    TForm4& f = open();
    EXPECT_TRUE(f.Button4->transparent());
    f.Button4MouseMove();
    EXPECT_TRUE(f.hover);
    EXPECT_FALSE(f.Button4->transparent());
    f.Button3MouseMove(); // one flag for all four: the second button stays as it is
    EXPECT_TRUE(f.Button3->transparent());
    f.Label5MouseDown();
    EXPECT_FALSE(f.Button2->transparent());
    f.Image1MouseMove();
    EXPECT_FALSE(f.hover);
    for (BitmapButton* b : {f.Button1, f.Button2, f.Button3, f.Button4})
        EXPECT_TRUE(b->transparent());
    EXPECT_EQ(f.Button2->picture(), f.Button1->picture()) << "the normal picture again";
}

TEST_F(ActionEditor, ClockMirrorReachesTheReminderEditorsLabelWhileItExists)
{
    TForm4& f = open();
    auto* reminderClock = new QLabel;
    f.reminderClockLabel = reminderClock;
    f.Timer1Timer();
    EXPECT_EQ(f.Label3->text(), u"10:29:58");
    EXPECT_EQ(reminderClock->text(), u"10:29:58");
    delete reminderClock;
    f.Timer1Timer(); // the label is gone: nothing to write to
    EXPECT_EQ(f.Label3->text(), u"10:29:58");
}

TEST_F(ActionEditor, ClosingWhileEditingDropsTheEditAndReopensFromTheStore)
{
    writeLists({"2"}, {"Перезагрузка"}, {"7:00:00"}, {"08.12.2026"}, {"08.12.2026 7:00:00"});
    TForm4& f = open();
    f.Button3Click();
    f.reject(); // Escape
    EXPECT_FALSE(f.editing);
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")), lines({"08.12.2026 7:00:00"}));
    f.show();
    QApplication::processEvents();
    f.FormActivate();
    EXPECT_EQ(f.ListBox1->count(), 1);
    EXPECT_TRUE(shown(f.Button4));
}

TEST_F(ActionEditor, PictureButtonsAnswerTheKeyboard)
{
    TForm4& f = open();
    EXPECT_EQ(f.Button4->focusPolicy(), Qt::TabFocus);
    QTest::keyClick(f.Button4, Qt::Key_Space);
    EXPECT_TRUE(f.editing);
    f.BitBtn2Click();
    QTest::keyClick(f.Button2, Qt::Key_Return); // delete with nothing selected
    EXPECT_EQ(sys.logged(QStringLiteral("beep")).size(), 1);
}

TEST_F(ActionEditor, TheSoundFilterMatchesSoundFilesWhateverTheirCase)
{
    QTemporaryDir folder;
    for (const char* name : {"A.MP3", "b.mp3", "c.Wav", "d.mid", "e.txt", "f.mp3.bak"}) {
        QFile f(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFileDialog dialog;
    TForm4::prepareFileDialog(dialog, actionediting::fileFilters(0), folder.path());
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>();
    ASSERT_NE(view, nullptr);
    QStringList listed;
    QElapsedTimer waited;
    waited.start();
    // The dialog lists the folder in a thread of its own.
    while (waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        listed.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            if (!view->isRowHidden(row, root))
                listed << view->model()->index(row, 0, root).data().toString();
        if (listed.size() >= 4)
            break;
    }
    listed.sort();
    EXPECT_EQ(listed, lines({"A.MP3", "b.mp3", "c.Wav", "d.mid"}));
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
}

// The program's folder holds its own lists and pictures: "Обзор" starts in the
// user's home, and afterwards where the user left the dialog, even cancelled.
TEST_F(ActionEditor, BrowseOpensInTheHomeFolderFirstThenWhereTheUserWasLast)
{
    TForm4& f = open();
    f.Button4Click();
    f.ComboBox1->setCurrentIndex(0);
    QTemporaryDir elsewhere;
    QStringList openedIn;
    // Answers the next file dialog: notes where it opened, goes to `goTo`, cancels.
    const auto answerNextDialog = [&](const QString& goTo) {
        auto* poll = new QTimer(&f);
        QObject::connect(poll, &QTimer::timeout, [&openedIn, poll, goTo] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->deleteLater();
            poll->stop();
            openedIn << dialog->directory().absolutePath();
            dialog->setDirectory(goTo);
            dialog->reject();
        });
        poll->start(20);
    };
    answerNextDialog(elsewhere.path());
    f.BitBtn1Click();
    answerNextDialog(QDir::homePath());
    f.BitBtn1Click();
    EXPECT_EQ(openedIn, (QStringList{QDir::homePath(), QDir(elsewhere.path()).absolutePath()}));
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("Выберите файл!!!!"));
}

TEST_F(ActionEditor, AStoreThatCannotOpenIsReportedOncePerOpening)
{
    // A program folder that does not exist: conf.ini cannot be created.
    TForm4 f(dir.file(QStringLiteral("no-such-folder/")), sys.services(), *report, {});
    sys.messages.shown.clear(); // the button pictures are missing there too
    f.show();
    QApplication::processEvents();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&f, &activate); // closing the box activates the editor again
    QApplication::sendEvent(&f, &activate);
    EXPECT_EQ(sys.messages.shown, lines({"ВНИМАНИЕ!! ПРОИЗОШЛА ОШИБКА ИНИЦИАЛИЗАЦИИ!"}));
    EXPECT_EQ(f.ListBox1->count(), 0);
    f.close();
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(sys.messages.shown.size(), 2) << "a new opening reports it again";
}

// ------------------------------------------------------------ a change is one change

namespace {
class AChangeIsOneChange : public ActionEditor
{
protected:
    // Everything the store writes, byte for byte, and whether a record is left.
    QByteArray stored() const
    {
        QByteArray all;
        for (const char* f : {"conf.ini", "data/1Actions.zdt", "data/1Paths.zdt", "data/1Times.zdt",
                              "data/1Dates.zdt", "data/1Ids.zdt"})
            all += QByteArray(f) + ':' + dir.read(QString::fromLatin1(f)) + '\n';
        if (QFile::exists(dir.file(QStringLiteral("data/actions.pending"))))
            all += "an intent record is left\n";
        return all;
    }
};
} // namespace

TEST_F(AChangeIsOneChange, WhenTheNewValuesCannotBeWrittenTheOldActionStays)
{
    writeLists({"2", "3"}, {"Перезагрузка", "Выход на экран приветствия"}, {"7:00:00", "8:00:00"},
               {"08.12.2026", "08.12.2026"}, {"08.12.2026 7:00:00", "08.12.2026 8:00:00"});
    dir.writeConf(QStringLiteral("[Action08.12.2026 7:00:00]\nAction=2\nType_Per=2\n"
                                 "[Action08.12.2026 8:00:00]\nAction=3\nType_Per=2\n"));
    TForm4& f = open();
    const QByteArray before = stored();

    // A full disk at each write of the change in turn, until it goes through.
    int failAt = 1;
    for (;; ++failAt) {
        sys.messages.shown.clear();
        f.ListBox1->setCurrentRow(0);
        f.Button3Click();
        f.DateTimePicker1->setTime(QTime(7, 30));
        int writes = 0;
        setAtomicWriteHookForTesting([&writes, failAt](const QString&) {
            if (++writes == failAt)
                throw Error(QStringLiteral("Нет места на устройстве"));
        });
        f.SpeedButton1->click();
        setAtomicWriteHookForTesting(nullptr);
        if (writes < failAt)
            break;
        ASSERT_EQ(sys.messages.shown.size(), 1) << failAt;
        EXPECT_TRUE(sys.messages.shown.first().contains(QStringLiteral("Нет места")));
        ASSERT_EQ(stored(), before) << "failed at write " << failAt;
        ASSERT_EQ(f.ListBox1->count(), 2) << "failed at write " << failAt;
        f.BitBtn2Click();
    }
    EXPECT_GT(failAt, 6);
    EXPECT_TRUE(sys.messages.shown.isEmpty());
    EXPECT_EQ(dir.readList(QStringLiteral("data/1Ids.zdt")),
              lines({"08.12.2026 8:00:00", "08.12.2026 7:30:00"}));
    EXPECT_FALSE(IniFile(dir.confPath()).sectionExists(u"Action08.12.2026 7:00:00"));
}
