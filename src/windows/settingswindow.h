#pragma once

#include "platform/inifile.h"

#include <QWidget>

class QCheckBox;

namespace zentari {

// TForm2: the settings window, the program's main menu. Its check box
// CheckBox1 is the switch that lets alarms and reminders run.
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(QString programDir, QWidget* parent = nullptr);

    QCheckBox* CheckBox1 = nullptr; // alarms and reminders active
    QCheckBox* CheckBox3 = nullptr; // the clock framed
    QCheckBox* CheckBox4 = nullptr; // "StayOnTop", shown nowhere

    bool alarmEnabled() const;

    void FormCreate();
    void FormActivate();

protected:
    bool event(QEvent* e) override;

private:
    void openConfig();

    QString m_programDir;
    IniFile m_config;
};

} // namespace zentari
