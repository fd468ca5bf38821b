#include "core/atomicfile.h"
#include "core/error.h"
#include "platform/errorreport.h"
#include "reminders/remindereditor.h"
#include "support/fakes.h"
#include "support/programdir.h"

#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <memory>

using namespace zentari;
using zentari::test::FakeSystem;
using zentari::test::ProgramDir;

namespace {

const QDate kDay(2005, 1, 25);

struct Editor : ::testing::Test
{
    ProgramDir dir;
    FakeSystem sys;
    ErrorReport report{sys.messages};
    std::unique_ptr<ReminderStore> store;
    std::unique_ptr<TForm5> form;

    // The editor as a freshly started program opens it: the store read at start.
    TForm5& open()
    {
        dir.write(QStringLiteral("data/messages/сообщение.zdt"), "Placeholder\r\n");
        form.reset();
        store = std::make_unique<ReminderStore>(dir.path());
        store->loadAtStart(report);
        form = std::make_unique<TForm5>(*store, dir.path(), sys.services(), report);
        form->Label1->setText(QStringLiteral("9:15:00"));
        return *form;
    }
    bool viewMode() const
    {
        return form->Button4->isVisibleTo(form.get()) && !form->Button5->isVisibleTo(form.get()) &&
               form->Memo1->isReadOnly() && !form->Edit4->isEnabled();
    }
    // New (or change), the fields typed in, then "Принять изменения".
    void enter(const QString& title, const QString& text, QDate day, QTime time)
    {
        form->Edit4->setText(title);
        form->Memo1->setPlainText(text);
        form->DateTimePicker2->setDate(day);
        form->DateTimePicker1->setTime(time);
        form->Button5->click();
    }
    QStringList titles() const { return form->listedTitles(); }
    int beeps() const { return int(sys.logged(QStringLiteral("beep")).size()); }
};

} // namespace

TEST_F(Editor, AddsInEditModeAndRefusesTheSameTitleOnTheSameDayWithOneBeep)
{
    TForm5& f = open();
    EXPECT_EQ(f.Memo1->toPlainText(), u"Placeholder"); // an empty store
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_TRUE(viewMode());
    EXPECT_EQ(f.size(), QSize(619, 456));

    f.Button4->click();
    EXPECT_FALSE(viewMode());
    EXPECT_EQ(f.DateTimePicker1->time(), QTime(9, 15)); // the clock's time
    EXPECT_TRUE(f.Edit4->text().isEmpty());
    enter(QStringLiteral("Врач"), QStringLiteral("В 10:30"), kDay, QTime(10, 30));
    EXPECT_TRUE(viewMode());
    EXPECT_EQ(titles(), QStringList{QStringLiteral("Врач")});
    EXPECT_EQ(dir.readList(QStringLiteral("data/Times.zdt")),
              QStringList{QStringLiteral("10:30:00")});

    f.Button4->click();
    enter(QStringLiteral("Врач"), QStringLiteral("ещё"), kDay, QTime(11, 0));
    EXPECT_EQ(beeps(), 1);
    EXPECT_TRUE(viewMode());
    EXPECT_EQ(titles(), QStringList{QStringLiteral("Врач")});
    EXPECT_EQ(f.store().count(), 1);

    // A title that names no file: the message says why, nothing stored.
    f.Button4->click();
    enter(QStringLiteral("../x"), QStringLiteral("t"), kDay, QTime(11, 0));
    EXPECT_EQ(sys.messages.shown,
              QStringList{QStringLiteral("В названии нельзя использовать «/»")});
    EXPECT_FALSE(viewMode());
    EXPECT_EQ(f.Edit4->text(), u"../x");
    EXPECT_EQ(f.store().count(), 1);
}

TEST_F(Editor, AChangeMovesTheReminderToTheEndAndOntoAnotherIsRefusedWithoutLoss)
{
    open();
    form->Button4->click();
    enter(QStringLiteral("один"), QStringLiteral("1"), kDay, QTime(8, 0));
    form->Button4->click();
    enter(QStringLiteral("два"), QStringLiteral("2"), kDay, QTime(9, 0));

    form->selectRow(0);
    EXPECT_EQ(form->Memo1->toPlainText(), u"1");
    form->Button2->click();
    EXPECT_EQ(form->changing, 1);
    EXPECT_EQ(form->Edit4->text(), u"один");
    form->Memo1->setPlainText(QStringLiteral("1, исправлено"));
    form->Button5->click();
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("два"), QStringLiteral("один")}));
    EXPECT_EQ(ReminderStore::readText(form->store().textFileOf(1)), u"1, исправлено");
    EXPECT_EQ(beeps(), 0);

    // Renamed onto "два" of the same day: refused, both stay.
    form->selectRow(1);
    form->Button2->click();
    enter(QStringLiteral("два"), QStringLiteral("x"), kDay, QTime(9, 0));
    EXPECT_EQ(beeps(), 1);
    EXPECT_TRUE(viewMode());
    EXPECT_EQ(form->store().lists().titles,
              (QStringList{QStringLiteral("два"), QStringLiteral("один")}));
    EXPECT_EQ(ReminderStore::readText(form->store().textFileOf(1)), u"1, исправлено");

    // Cancel keeps what was typed in sight and stores nothing.
    form->Button4->click();
    form->Edit4->setText(QStringLiteral("черновик"));
    form->Button6->click();
    EXPECT_TRUE(viewMode());
    EXPECT_EQ(form->Edit4->text(), u"черновик");
    EXPECT_EQ(form->store().count(), 2);

    // Delete with nothing selected beeps; with a selection it removes.
    form->selectRow(-1);
    form->Button3->click();
    EXPECT_EQ(beeps(), 2);
    form->selectRow(0);
    form->Button3->click();
    EXPECT_EQ(titles(), QStringList{QStringLiteral("один")});
    EXPECT_EQ(dir.readList(QStringLiteral("data/Titles.zdt")), QStringList{QStringLiteral("один")});
}

// ------------------------------------------------------------ a change is one change

namespace {
struct AChangeIsOneChange : Editor
{
    // The lists and every text file, byte for byte, and whether a record is left.
    QByteArray stored() const
    {
        QByteArray all;
        for (const char* list : {"Titles", "Messes", "Times", "Dates", "IDs"}) {
            const QString name = QStringLiteral("data/%1.zdt").arg(QLatin1String(list));
            all += name.toUtf8() + ':' + dir.read(name) + '\n';
        }
        const QDir messages(dir.file(QStringLiteral("data/messages")));
        for (const QString& name : messages.entryList(QDir::Files, QDir::Name))
            all += name.toUtf8() + ':' + dir.read(QStringLiteral("data/messages/") + name) + '\n';
        if (QFile::exists(dir.file(QStringLiteral("data/reminders.pending"))))
            all += "an intent record is left\n";
        return all;
    }
};
} // namespace

TEST_F(AChangeIsOneChange, WhenTheNewValuesCannotBeWrittenTheOldReminderStays)
{
    open();
    form->Button4->click();
    enter(QStringLiteral("один"), QStringLiteral("1"), kDay, QTime(8, 0));
    form->Button4->click();
    enter(QStringLiteral("два"), QStringLiteral("2"), kDay, QTime(9, 0));
    const QByteArray before = stored();
    const QStringList both{QStringLiteral("один"), QStringLiteral("два")};

    // A full disk at each write of the change in turn, until it goes through.
    int failAt = 1;
    for (;; ++failAt) {
        sys.messages.shown.clear();
        form->selectRow(0);
        form->Button2->click();
        form->Memo1->setPlainText(QStringLiteral("1, исправлено"));
        form->DateTimePicker1->setTime(QTime(8, 30));
        int writes = 0;
        setAtomicWriteHookForTesting([&writes, failAt](const QString&) {
            if (++writes == failAt)
                throw Error(QStringLiteral("Нет места на устройстве"));
        });
        form->Button5->click();
        setAtomicWriteHookForTesting(nullptr);
        if (writes < failAt)
            break;
        ASSERT_EQ(sys.messages.shown, QStringList{ReminderStore::kInputError}) << failAt;
        ASSERT_EQ(stored(), before) << "failed at write " << failAt;
        ASSERT_EQ(titles(), both) << "failed at write " << failAt;
        ASSERT_EQ(form->store().lists().titles, both) << "failed at write " << failAt;
        ASSERT_EQ(ReminderStore::readText(form->store().textFileOf(0)), u"1");
    }
    EXPECT_GT(failAt, 3);
    EXPECT_TRUE(sys.messages.shown.isEmpty());
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("два"), QStringLiteral("один")}));
    EXPECT_EQ(dir.readList(QStringLiteral("data/Times.zdt")),
              (QStringList{QStringLiteral("9:00:00"), QStringLiteral("8:30:00")}));
    EXPECT_EQ(ReminderStore::readText(form->store().textFileOf(1)), u"1, исправлено");
    EXPECT_EQ(beeps(), 0);
}
