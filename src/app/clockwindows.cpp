#include "clockwindows.h"

#include "app/clockwindow.h"
#include "app/closeguard.h"
#include "app/settingshost.h"
#include "core/error.h"
#include "reminders/remindereditor.h"
#include "reminders/reminderwindow.h"
#include "scheduler/actioneditor.h"
#include "scheduler/periodicitydialog.h"
#include "session/clocksession.h"
#include "windows/aboutbox.h"
#include "windows/missedeventswindow.h"
#include "windows/passwordgate.h"
#include "windows/positionchooser.h"
#include "windows/settingswindow.h"

#include <QLabel>

namespace zentari {

ClockWindows::ClockWindows(QString programDir, const Services& services, ErrorReport& report,
                           ClockSession& session)
    : m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_session(session)
{
}

ClockWindows::~ClockWindows() = default;

void ClockWindows::setClock(TForm1* clock)
{
    m_clock = clock;
    if (!m_settingsHost)
        m_settingsHost = std::make_unique<SettingsClockHost>(*this);
}

TForm2& ClockWindows::settings()
{
    if (!m_form2) {
        if (!m_settingsHost)
            m_settingsHost = std::make_unique<SettingsClockHost>(*this);
        m_form2 = std::make_unique<TForm2>(m_programDir, m_services, m_report, m_session, *this,
                                           *m_settingsHost);
    }
    return *m_form2;
}

void ClockWindows::showSettings()
{
    TForm2& form = settings();
    form.show();
    form.raise();
    form.activateWindow();
}

TForm3& ClockWindows::aboutBox()
{
    if (!m_form3)
        m_form3 = std::make_unique<TForm3>(m_services);
    return *m_form3;
}

TForm4& ClockWindows::actionEditor()
{
    if (!m_form4) {
        m_form4 = std::make_unique<TForm4>(m_programDir, m_services, m_report, [this] {
            return m_clock ? m_clock->Label1->text() : QString();
        });
        // An editor's change reaches the tick now, not at the clock's next activation.
        m_form4->onStoreChanged = [this] { m_session.reloadActionLists(); };
        m_form4->setPeriodicityDialog(&periodicityDialog());
        if (m_form5)
            m_form4->reminderClockLabel = m_form5->Label1;
        if (m_editorClock)
            m_form4->Timer1->start();
    }
    return *m_form4;
}

TForm5& ClockWindows::reminderEditor()
{
    if (!m_form5) {
        m_form5 =
            std::make_unique<TForm5>(m_session.reminders(), m_programDir, m_services, m_report);
        // Its clock label is written by the action editor's clock once that runs.
        if (m_editorClock)
            actionEditor();
        if (m_form4) {
            m_form4->reminderClockLabel = m_form5->Label1;
            if (m_form4->Timer1->isActive())
                m_form4->Timer1Timer();
        }
    }
    return *m_form5;
}

TForm6& ClockWindows::reminderWindow()
{
    if (!m_form6) {
        m_form6 = std::make_unique<TForm6>();
        m_form6->setSnoozeLinks(
            {.store = &m_session.reminders(),
             .now = [this] { return m_services.clock->now(); },
             // Read when the menu opens: conf's change holds from the next reminder on.
             .minutes = [this] { return m_session.snoozeMinutes(); },
             .messages = m_services.messages,
             .report = &m_report,
             // The clock's menu lists it until it comes back.
             .onSnoozed =
                 [this](const QString& previousId, const QString& newId, const QString& title,
                        const QDateTime& due) {
                     m_session.reminderSnoozed(previousId, newId, title, due);
                 }});
    }
    return *m_form6;
}

TForm7& ClockWindows::positionChooser()
{
    if (!m_form7)
        m_form7 = std::make_unique<TForm7>(settings().steps());
    return *m_form7;
}

TForm8& ClockWindows::periodicityDialog()
{
    if (!m_form8)
        m_form8 = std::make_unique<TForm8>();
    return *m_form8;
}

TForm9& ClockWindows::passwordWindow()
{
    if (!m_form9) {
        m_form9 = std::make_unique<TForm9>(m_services);
        m_form9->setHost(m_clock ? &m_clock->closeGuard() : nullptr);
    }
    return *m_form9;
}

MissedEventsWindow& ClockWindows::missedEvents()
{
    if (!m_missed)
        m_missed = std::make_unique<MissedEventsWindow>();
    return *m_missed;
}

void ClockWindows::startEditorClock()
{
    m_editorClock = true;
    if (m_form4)
        m_form4->Timer1->start();
}

void ClockWindows::openActionEditor()
{
    actionEditor().exec();
}

void ClockWindows::openReminderEditor()
{
    reminderEditor().exec();
}

void ClockWindows::openAboutBox()
{
    aboutBox().exec();
}

void ClockWindows::openPositionChooser()
{
    TForm7& chooser = positionChooser();
    chooser.show();
    chooser.raise();
    chooser.activateWindow();
}

std::optional<Corner> ClockWindows::chooserCorner() const
{
    if (!m_form7)
        return std::nullopt;
    return m_form7->checkedCorner();
}

} // namespace zentari
