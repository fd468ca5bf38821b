// The 50-second warning names the other programs that hold the shutdown off,
// as the sleep service lists them (asynchronously).
#include "app/shutdownwarning.h"
#include "platform/sleeprecording.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace zentari;

TEST(ShutdownWarning, NamesTheProgramsThatBlockTheShutdownOfThisWarningOnly)
{
    ActionLog log;
    RecordingSleepService sleep(log);
    sleep.blockers = {{QStringLiteral("Обновление системы"), QStringLiteral("Ставятся пакеты")},
                      {QStringLiteral("editor"), QString()}};
    ShutdownWarning warning(nullptr, &sleep);
    warning.start(QStringLiteral("Сейчас произойдёт выключение"), 50);
    EXPECT_TRUE(warning.blockersText().isEmpty()) << "the answer comes later";
    QCoreApplication::processEvents();
    EXPECT_EQ(warning.blockersText(),
              QStringLiteral("Выключению мешает: Обновление системы (Ставятся пакеты)\n"
                             "Выключению мешает: editor"));

    // A later warning asks again; nothing blocks now.
    sleep.blockers.clear();
    warning.start(QStringLiteral("Сейчас произойдёт перезагрузка"), 50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(warning.blockersText().isEmpty());

    // An answer that comes after the warning was stopped is not shown.
    sleep.blockers = {{QStringLiteral("editor"), QString()}};
    warning.start(QStringLiteral("Сейчас произойдёт выключение"), 50);
    warning.stop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(warning.blockersText().isEmpty());

    // Without a sleep service the warning works as before.
    ShutdownWarning plain;
    plain.start(QStringLiteral("Сейчас произойдёт выключение"), 50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(plain.blockersText().isEmpty());
    EXPECT_GT(plain.secondsLeft(), 45);
}
