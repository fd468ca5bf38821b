#pragma once

#include "app/clockwindow.h"
#include "app/forms.h"
#include "app/settingshost.h"
#include "reminders/remindereditor.h"
#include "reminders/reminderwindow.h"
#include "scheduler/actioneditor.h"
#include "support/fakes.h"
#include "support/programdir.h"
#include "trayicon/trayfakes.h"
#include "trayicon/trayicon.h"
#include "windows/aboutbox.h"
#include "windows/passwordgate.h"
#include "windows/positionchooser.h"
#include "windows/settingswindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace zentari::test {

// The clock and the windows it talks to, over a throw-away program folder with
// the bundled pictures, recording fakes for the system and a fake tray.
class ClockFixture : public ::testing::Test
{
protected:
    ProgramDir dir;
    FakeSystem sys;
    QStringList traySteps;
    FakeNotificationArea trayArea{traySteps};
    std::unique_ptr<ErrorReport> report;
    Forms forms;
    SettingsClockHost settingsHost{forms};
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<TForm6> form6;
    std::unique_ptr<TForm7> form7;
    std::unique_ptr<TForm9> form9;

    ClockFixture();
    ~ClockFixture() override;

    // Creates the windows as start-up does (conf.ini written first when given).
    TForm1& start(const QString& conf = {});
    // conf.ini rewritten from outside, seen by the next read.
    void conf(const QString& text);
    QString confValue(const QString& section, const QString& key);
    // Runs `answer` once the password window is open (modal), then the command.
    void withGate(std::function<void(TForm9&)> answer, std::function<void()> command);
};

} // namespace zentari::test
