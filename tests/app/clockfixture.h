#pragma once

#include "app/clockwindow.h"
#include "app/clockwindows.h"
#include "reminders/remindereditor.h"
#include "reminders/reminderwindow.h"
#include "scheduler/actioneditor.h"
#include "scheduler/periodicitydialog.h"
#include "session/clocksession.h"
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
#include <QMenu>
#include <QPlainTextEdit>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace zentari::test {

// One of the clock's other windows as a test reaches it: made on first use,
// as opening it would, and the same one for the rest of the run.
template <typename T> class WindowOf
{
public:
    explicit WindowOf(std::function<T&()> window) : m_window(std::move(window)) {}
    T* operator->() const { return &m_window(); }
    T& operator*() const { return m_window(); }
    T* get() const { return &m_window(); }

private:
    std::function<T&()> m_window;
};

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
    std::unique_ptr<ClockSession> session;
    std::unique_ptr<ClockWindows> windows;
    std::unique_ptr<TForm1> form1;
    WindowOf<TForm2> form2{[this]() -> TForm2& { return windows->settings(); }};
    WindowOf<TForm3> form3{[this]() -> TForm3& { return windows->aboutBox(); }};
    WindowOf<TForm4> form4{[this]() -> TForm4& { return windows->actionEditor(); }};
    WindowOf<TForm5> form5{[this]() -> TForm5& { return windows->reminderEditor(); }};
    WindowOf<TForm6> form6{[this]() -> TForm6& { return windows->reminderWindow(); }};
    WindowOf<TForm7> form7{[this]() -> TForm7& { return windows->positionChooser(); }};
    WindowOf<TForm8> form8{[this]() -> TForm8& { return windows->periodicityDialog(); }};
    WindowOf<TForm9> form9{[this]() -> TForm9& { return windows->passwordWindow(); }};

    ClockFixture();
    ~ClockFixture() override;

    // Starts the clock as start-up does (conf.ini written first when given);
    // the other windows are made when a test first reaches them.
    TForm1& start(const QString& conf = {});
    // conf.ini rewritten from outside, seen by the next read.
    void conf(const QString& text);
    QString confValue(const QString& section, const QString& key);
    void stop();
    // Runs `answer` once the password window is open (modal), then the command.
    void withGate(std::function<void(TForm9&)> answer, std::function<void()> command);
};

// What a menu shows: its visible items, a separator as "-".
QStringList captions(const QMenu* menu);

} // namespace zentari::test
