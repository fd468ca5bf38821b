#pragma once

#include "core/inifile.h"
#include "platform/errorreport.h"
#include "platform/services.h"
#include "windows/settingssteps.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QWindow;

namespace zentari {

class ClockHost;
class ClockSession;
class HintHook;
class BitmapButton;
class SettingsLinks;

// TForm2: the settings window, the program's main menu. Its check box
// CheckBox1 shows and sets the session's switch that lets alarms and
// reminders run.
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    TForm2(QString programDir, const Services& services, ErrorReport& report, ClockSession& session,
           SettingsLinks& windows, ClockHost& clock, QWidget* parent = nullptr);
    ~TForm2() override;

    QLabel* Image1 = nullptr;             // the little picture; a double click opens the about box
    QLabel* Label1 = nullptr;             // "Активировать"
    QLabel* Label3 = nullptr;             // "будильник"
    QCheckBox* CheckBox1 = nullptr;       // alarms and reminders active
    BitmapButton* Image2 = nullptr;       // the position chooser
    QLabel* Label12 = nullptr;            // "Выбрать расположение"
    BitmapButton* SpeedButton3 = nullptr; // the action editor
    QLabel* Label8 = nullptr;             // "Добавить действие"
    QLabel* Label7 = nullptr;             // "Главное окно с рамкой"
    QCheckBox* CheckBox3 = nullptr;       // the clock framed
    BitmapButton* SpeedButton5 = nullptr; // the reminder editor
    QLabel* Label9 = nullptr;             // "Добавить сообщение"
    QLabel* Label2 = nullptr;             // "Широкая панель"
    QLabel* Label4 = nullptr;             // "задач"
    QCheckBox* CheckBox2 = nullptr;       // the taskbar is wide
    BitmapButton* SpeedButton1 = nullptr; // save and return to the clock
    QLabel* Label10 = nullptr;            // "Сохранить"
    BitmapButton* SpeedButton2 = nullptr; // exit
    QLabel* Label11 = nullptr;            // "Выход"
    QCheckBox* CheckBox4 = nullptr;       // "StayOnTop", shown nowhere
    QLabel* Label5 = nullptr;             // "Поверх", hidden
    QLabel* Label6 = nullptr;             // "остальных", hidden
    HintHook* ApplicationEvents1 = nullptr;

    bool alarmEnabled() const;
    SettingsSteps& steps() { return m_steps; }
    // 1 while one image button shows its hover picture.
    int hoverFlag() const { return m_hover; }

    void FormCreate();
    void FormActivate();
    void FormShow();
    void FormMouseMove();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton5Click();
    void Image1DblClick();
    void Image2Click();
    // The five image buttons share their mouse handlers.
    void ImageButtonMouseMove(BitmapButton* button);
    void ImageButtonMouseDown(BitmapButton* button);
    // Label8 ... Label12 stand for the image buttons under them.
    void LabelMouseDown(QLabel* label);
    void LabelMouseUp(QLabel* label);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void openConfig();
    QString buttonPicture(int index) const;
    BitmapButton* buttonUnder(const QLabel* label) const;
    QLabel* makeLabel(const QString& text, int x, int y, const QFont& font);

    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    ClockSession& m_session;
    SettingsLinks& m_windows;
    ClockHost& m_clock;
    IniFile m_config;
    SettingsSteps m_steps;
    int m_hover = 0;
    // Activation means coming back from one of the program's own windows or
    // being shown, not the user returning from another program.
    bool m_shownSinceActivation = false;
    bool m_backFromOwnWindow = false;
    QPointer<QWindow> m_focus;
};

} // namespace zentari
