#include "conf/confwindow.h"
#include "conf/protection.h"
#include "core/cp1251.h"
#include "core/passwordcode.h"
#include "platform/autostart.h"
#include "platform/machinestore.h"
#include "standinclock.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;
using zentari::test::StandInClock;

namespace {

// Plays the administrator's side on the test's own store file, when the test
// says the administrator has typed the password.
class InProcessRunner : public conf::PrivilegedRunner
{
public:
    QString store;
    int calls = 0;
    QString program;
    QByteArray input;
    Done waiting;
    void start(const QString& p, const QStringList&, const QByteArray& in, Done done) override
    {
        ++calls;
        program = p;
        input = in;
        waiting = std::move(done);
    }
    void administratorAnswers(bool authorised)
    {
        QString error;
        if (!authorised)
            error = QStringLiteral("Права администратора не получены; защита не изменена.");
        else
            conf::runWriteProtection(input, store, &error);
        std::exchange(waiting, nullptr)(error);
    }
};

// A hand-made conf.ini: blanks around "=", a hexadecimal colour, an action,
// a value the clock would refuse.
const QByteArray kFile = "[Options big]\r\n"
                         "Color=$0000FF\r\n"
                         "bemi = 200\r\n"
                         "UseAlpha=1\r\n"
                         "behz=loud\r\n"
                         "[Action3]\r\n"
                         "Time=6:30:00\r\n"
                         "[Options small]\r\n"
                         "on=no\r\n";

class ConfWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
        dir.write(QStringLiteral("conf.ini"), kFile);
        runner.store = storeDir.path() + QStringLiteral("/registry.ini"); // as pkexec would
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    std::unique_ptr<conf::ConfWindow> open()
    {
        return std::make_unique<conf::ConfWindow>(conf::ConfWindow::Context{
            .programDir = dir.path(),
            .executableDir = QStringLiteral("/opt/zentari/"),
            .machineStore = storeDir.path() + QStringLiteral("/registry.ini"),
            .privilegedWriter = privilegedWriter,
            .shell = &fakes.shell,
            .messages = &fakes.messages,
            .player = &fakes.player,
            .runner = &runner,
            .storeWritable = [this](const QString&) { return storeWritable; },
            .handOver = conf::handOverTo(dir.path(), conf::kHandOverWait, runtime.path()),
        });
    }
    template <class W> W* editor(conf::ConfWindow& w, const char* key)
    {
        auto* e = qobject_cast<W*>(w.editorOf(QString::fromLatin1(key)));
        EXPECT_NE(e, nullptr) << key;
        return e;
    }

    ProgramDir dir;
    QTemporaryDir runtime; // where a running clock of dir would listen
    QTemporaryDir storeDir;
    QTemporaryDir configHome;
    FakeSystem fakes;
    InProcessRunner runner;
    QString privilegedWriter = QStringLiteral("/usr/lib/zentari/conf");
    bool storeWritable = true;
};

} // namespace

TEST_F(ConfWindowTest, ShowsWhatConfIniHolds)
{
    auto w = open();
    EXPECT_EQ(w->windowTitle(), u"Особые настройки часов");
    EXPECT_EQ(editor<QSpinBox>(*w, "bemi")->value(), 200);
    EXPECT_EQ(editor<QSpinBox>(*w, "behz")->value(), 1000); // "loud": the default is shown
    EXPECT_TRUE(editor<QCheckBox>(*w, "UseAlpha")->isChecked());
    EXPECT_FALSE(editor<QCheckBox>(*w, "on")->isChecked());
    EXPECT_TRUE(editor<QCheckBox>(*w, "TraySet")->isChecked()); // missing: default "1"
    EXPECT_EQ(editor<QLineEdit>(*w, "Picture")->text(),
              dir.path() + QStringLiteral("data/BackGround1.jpg"));
}

TEST_F(ConfWindowTest, SavingWritesOnlyWhatChangedAndStartsTheClock)
{
    auto w = open();
    editor<QSpinBox>(*w, "TimesPlay")->setValue(3);
    editor<QCheckBox>(*w, "on")->setChecked(true);
    editor<QSpinBox>(*w, "AlphaValue")->setValue(129);
    editor<QSpinBox>(*w, "AlphaValue")->setValue(128); // and back: unchanged
    ASSERT_TRUE(w->saveAndStart());
    // The hexadecimal colour, the blanks, the bad value and the action are untouched.
    QByteArray expected = kFile;
    expected.replace("behz=loud\r\n", "behz=loud\r\nTimesPlay=3\r\n");
    expected.replace("on=no", "on=yes");
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), expected);
    EXPECT_EQ(fakes.logged(QStringLiteral("open")),
              QStringList{QStringLiteral("open\t%1Zentari\t").arg(dir.path())});
    w->close(); // the clock is started once only
    EXPECT_EQ(fakes.logged(QStringLiteral("open")).size(), 1);
}

TEST_F(ConfWindowTest, WithTheClockRunningSavingHasItReloadAndStartsNothing)
{
    StandInClock clock(dir.path(), runtime.path());
    ASSERT_TRUE(clock.claimed());
    auto w = open();
    editor<QCheckBox>(*w, "WithBoard")->setChecked(true);
    ASSERT_TRUE(w->saveAndStart());
    // On disk before the clock is told, or it would read the old border.
    EXPECT_TRUE(dir.read(QStringLiteral("conf.ini")).contains("WithBoard=1\r\n"));
    EXPECT_EQ(clock.requests(), QStringList{QStringLiteral("--reload-options")});
    w->close();
    EXPECT_EQ(clock.requests().size(), 1); // told once only
    EXPECT_TRUE(fakes.logged(QStringLiteral("open")).isEmpty());

    // Closed by its title bar: the running clock is still not started beside itself.
    auto again = open();
    again->close();
    EXPECT_EQ(clock.requests().size(), 2);
    EXPECT_TRUE(fakes.logged(QStringLiteral("open")).isEmpty());
}

TEST_F(ConfWindowTest, ResetRemovesTheKeyAndCancelWritesNothing)
{
    {
        auto w = open();
        editor<QSpinBox>(*w, "bemi")->setValue(300);
        w->cancelAndStart();
        EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), kFile);
        EXPECT_EQ(fakes.logged(QStringLiteral("open")).size(), 1);
    }
    auto w = open();
    w->resetOf(u"bemi")->click();
    w->resetOf(u"Color")->click();
    EXPECT_EQ(editor<QSpinBox>(*w, "bemi")->value(), 1000);
    ASSERT_TRUE(w->saveAndStart());
    QByteArray expected = kFile;
    expected.replace("bemi = 200\r\n", "").replace("Color=$0000FF\r\n", "");
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), expected);
}

TEST_F(ConfWindowTest, ABadEntryKeepsTheWindowOpenAndTheFileUnchanged)
{
    auto w = open();
    editor<QLineEdit>(*w, "soundfilename")->setText(QStringLiteral("звук😀.mp3"));
    editor<QSpinBox>(*w, "bemi")->setValue(250);
    EXPECT_FALSE(w->saveAndStart());
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), kFile);
    EXPECT_TRUE(fakes.logged(QStringLiteral("open")).isEmpty());
    ASSERT_EQ(fakes.messages.shown.size(), 1);
}

TEST_F(ConfWindowTest, AutostartEntryFollowsTheBoxOnSaving)
{
    auto w = open();
    EXPECT_FALSE(w->autostartBox()->isChecked());
    w->autostartBox()->setChecked(true);
    ASSERT_TRUE(w->saveAndStart());
    EXPECT_TRUE(autostart::isEnabled());
    QFile entry(autostart::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("\nExec=/opt/zentari/Zentari\n")); // a portable build
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")), kFile);
}

TEST_F(ConfWindowTest, AnAutostartEntryTheDesktopSwitchedOffIsShownOff)
{
    QDir().mkpath(configHome.path() + QStringLiteral("/autostart"));
    QFile entry(autostart::entryPath());
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nExec=zentari\n"
                "X-GNOME-Autostart-enabled=false\n");
    entry.close();
    auto w = open();
    EXPECT_FALSE(w->autostartBox()->isChecked());
    // Ticked and saved: on again.
    w->autostartBox()->setChecked(true);
    ASSERT_TRUE(w->saveAndStart());
    EXPECT_TRUE(autostart::isEnabled());
}

namespace {

struct ProtectionPage
{
    QCheckBox* protect = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* again = nullptr;
    QPushButton* write = nullptr;
};

ProtectionPage protectionPage(conf::ConfWindow& w)
{
    ProtectionPage page;
    QList<QLineEdit*> passwords;
    for (QLineEdit* e : w.findChildren<QLineEdit*>())
        if (e->echoMode() == QLineEdit::Password)
            passwords.append(e);
    EXPECT_EQ(passwords.size(), 2);
    page.password = passwords.value(0);
    page.again = passwords.value(1);
    for (QCheckBox* b : w.findChildren<QCheckBox*>())
        if (b->text().startsWith(u"Спрашивать пароль"))
            page.protect = b;
    page.write = w.findChild<QPushButton*>(QStringLiteral("writeProtection"));
    EXPECT_TRUE(page.protect && page.write);
    return page;
}

} // namespace

TEST_F(ConfWindowTest, ProtectionIsWrittenWithTheEncodedPassword)
{
    auto w = open();
    const ProtectionPage page = protectionPage(*w);
    page.protect->setChecked(true);
    page.password->setText(QStringLiteral("тайна"));
    page.again->setText(QStringLiteral("тайнa")); // a Latin "a"
    page.write->click();
    EXPECT_TRUE(fakes.messages.shown.last().contains(u"не совпадают"));
    page.again->setText(QStringLiteral("тайна"));
    page.write->click();
    const QString storePath = storeDir.path() + QStringLiteral("/registry.ini");
    auto stored = [&](const char* name) {
        return IniMachineStore(storePath).readString(QString::fromLatin1(name));
    };
    EXPECT_EQ(stored("USE"), u"1");
    EXPECT_EQ(stored("PAS"), encodePassword(QStringLiteral("тайна")));
    EXPECT_EQ(runner.calls, 0); // the test's store is writable
    EXPECT_TRUE(page.password->text().isEmpty());
    // Switching it off keeps the password for the next time.
    page.protect->setChecked(false);
    page.write->click();
    EXPECT_EQ(stored("USE"), u"0");
    EXPECT_EQ(stored("PAS"), encodePassword(QStringLiteral("тайна")));
}

TEST_F(ConfWindowTest, TheWindowAnswersWhileTheAdministratorIsAsked)
{
    storeWritable = false;
    auto w = open();
    const ProtectionPage page = protectionPage(*w);
    page.protect->setChecked(true);
    page.password->setText(QStringLiteral("тайна"));
    page.again->setText(QStringLiteral("тайна"));
    page.write->click();
    // polkit's dialog is up: the click has returned, nothing is written yet,
    // and a second request cannot be made meanwhile.
    ASSERT_EQ(runner.calls, 1);
    EXPECT_EQ(runner.program, u"/usr/lib/zentari/conf");
    EXPECT_FALSE(page.write->isEnabled());
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_TRUE(w->findChild<QTabWidget*>()->isEnabled());

    runner.administratorAnswers(false); // dismissed
    EXPECT_TRUE(page.write->isEnabled());
    EXPECT_TRUE(fakes.messages.shown.last().contains(u"не получены"));
    EXPECT_TRUE(page.protect->isChecked()); // as the user left it, to try again
    EXPECT_FALSE(QFile::exists(runner.store));

    page.write->click();
    runner.administratorAnswers(true);
    EXPECT_TRUE(fakes.messages.shown.last().contains(u"включена"))
        << fakes.messages.shown.last().toStdString();
    EXPECT_TRUE(page.password->text().isEmpty());
    EXPECT_EQ(IniMachineStore(runner.store).readString(QStringLiteral("PAS")),
              encodePassword(QStringLiteral("тайна")));

    // Closed while polkit still asks: the late answer finds no window.
    page.password->setText(QStringLiteral("другая"));
    page.again->setText(QStringLiteral("другая"));
    page.write->click();
    w.reset();
    runner.administratorAnswers(true);
}

TEST_F(ConfWindowTest, APortableCopyExplainsInsteadOfAskingForRoot)
{
    storeWritable = false;
    privilegedWriter.clear();
    auto w = open();
    const ProtectionPage page = protectionPage(*w);
    page.protect->setChecked(true);
    page.password->setText(QStringLiteral("тайна"));
    page.again->setText(QStringLiteral("тайна"));
    page.write->click();
    EXPECT_EQ(runner.calls, 0);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].contains(u"registry.ini"));
    EXPECT_TRUE(fakes.messages.shown[0].contains(u"zentari-conf"));
}

// Pictures of every page for a person to look at (build/tests/conf/screenshots).
TEST_F(ConfWindowTest, Screenshots)
{
    auto w = open();
    w->show();
    auto* tabs = w->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    const QString folder = QStringLiteral(ZENTARI_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        const QImage shot = w->grab().toImage();
        EXPECT_GT(shot.width(), 300);
        EXPECT_TRUE(shot.save(QStringLiteral("%1/conf-%2.png").arg(folder).arg(i)));
    }
}

TEST_F(ConfWindowTest, AFlagTheClockReadsLooselyIsShownAsTheClockReadsIt)
{
    dir.writeConf(QStringLiteral("[Options big]\nWithBoard=yes\nUseAlpha=yes\n"));
    auto w = open();
    // Any text but "0" gives the clock a border; only "1" makes it translucent.
    EXPECT_TRUE(editor<QCheckBox>(*w, "WithBoard")->isChecked());
    EXPECT_FALSE(editor<QCheckBox>(*w, "UseAlpha")->isChecked());
    ASSERT_TRUE(w->saveAndStart()); // untouched: left as written
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")),
              QByteArray("[Options big]\r\nWithBoard=yes\r\nUseAlpha=yes\r\n"));
}

TEST_F(ConfWindowTest, EditorsCarryTheirOptionsLabelsAndOfferWhatMakesSense)
{
    dir.writeConf(QStringLiteral("[Options big]\nAlphaValue=200\nTimesPlay=-2\n"));
    auto w = open();
    for (const conf::Option& option : conf::allOptions()) {
        QWidget* e = w->editorOf(option.key->name);
        ASSERT_NE(e, nullptr);
        // A screen reader says which option, not one more "да".
        EXPECT_EQ(e->accessibleName(), option.label) << option.key->name.toString().toStdString();
    }
    auto* alpha = editor<QSpinBox>(*w, "AlphaValue");
    EXPECT_EQ(alpha->maximum(), 128); // 129 would make the clock invisible
    EXPECT_EQ(alpha->value(), 128);   // 200 is not offered: shown as the default, with why
    const auto labels = w->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
        return l->text().contains(u"200") && l->text().contains(u"129");
    }));
    auto* times = editor<QSpinBox>(*w, "TimesPlay");
    EXPECT_EQ(times->minimum(), 0);
    EXPECT_EQ(times->value(), 0); // below 0 means the same: until stopped
    EXPECT_EQ(times->text(), u"без конца, пока не остановят");
    ASSERT_TRUE(w->saveAndStart()); // untouched: left as written
    EXPECT_EQ(dir.read(QStringLiteral("conf.ini")),
              QByteArray("[Options big]\r\nAlphaValue=200\r\nTimesPlay=-2\r\n"));
}
