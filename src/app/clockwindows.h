#pragma once

#include "platform/errorreport.h"
#include "platform/services.h"
#include "windows/settingslinks.h"

#include <QString>
#include <memory>

namespace zentari {

class ClockSession;
class MissedEventsWindow;
class SettingsClockHost;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;

// The clock's other windows. None is made at start: each is made the first
// time it is opened and then kept for the rest of the run, so that what a
// window remembers lasts as long as the program (the periodicity dialog's
// choice and check marks, the reminder editor's fields, mode and selection,
// the action editor's last folder).
class ClockWindows : public SettingsLinks
{
public:
    ClockWindows(QString programDir, const Services& services, ErrorReport& report,
                 ClockSession& session);
    ~ClockWindows() override;

    // The clock window, which the others reach; set once it is made.
    void setClock(TForm1* clock);
    TForm1* clock() const { return m_clock; }
    ClockSession& session() { return m_session; }

    TForm2& settings();
    // The settings window made if need be, shown and brought to the front.
    void showSettings();
    TForm3& aboutBox();
    TForm4& actionEditor();
    TForm5& reminderEditor();
    TForm6& reminderWindow();
    TForm7& positionChooser();
    TForm8& periodicityDialog();
    TForm9& passwordWindow();
    // "Пропущенные события": one list for the whole run.
    MissedEventsWindow& missedEvents();

    // Whether a window has been made yet, without making it.
    bool settingsMade() const { return bool(m_form2); }
    bool aboutBoxMade() const { return bool(m_form3); }
    bool actionEditorMade() const { return bool(m_form4); }
    bool reminderEditorMade() const { return bool(m_form5); }
    bool reminderWindowMade() const { return bool(m_form6); }
    bool positionChooserMade() const { return bool(m_form7); }
    bool periodicityDialogMade() const { return bool(m_form8); }
    bool passwordWindowMade() const { return bool(m_form9); }
    bool missedEventsMade() const { return bool(m_missed); }

    // The editors' clock (the action editor's Timer1) runs from the clock's
    // start-up step on, in whichever editor is made then or later.
    void startEditorClock();
    bool editorClockStarted() const { return m_editorClock; }

    // --- SettingsLinks
    void openActionEditor() override;
    void openReminderEditor() override;
    void openAboutBox() override;
    void openPositionChooser() override;
    std::optional<Corner> chooserCorner() const override;

private:
    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    ClockSession& m_session;
    TForm1* m_clock = nullptr;
    bool m_editorClock = false;
    std::unique_ptr<SettingsClockHost> m_settingsHost;
    // Destroyed in the reverse order: the chooser before the settings window
    // whose steps it works on, the editors before the dialog they use.
    std::unique_ptr<TForm9> m_form9;
    std::unique_ptr<TForm8> m_form8;
    std::unique_ptr<TForm6> m_form6;
    std::unique_ptr<TForm5> m_form5;
    std::unique_ptr<TForm4> m_form4;
    std::unique_ptr<TForm3> m_form3;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<TForm7> m_form7;
    std::unique_ptr<MissedEventsWindow> m_missed;
};

} // namespace zentari
