#pragma once

#include "windows/settingssteps.h"

#include <QDialog>
#include <QPoint>

class QPushButton;
class QRadioButton;

namespace zentari {

// TForm7: the chooser of the clock's corner of the screen. It only notes the
// corner in the settings window, which moves the clock at "Сохранить".
class TForm7 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm7(SettingsSteps& settings, QWidget* parent = nullptr);

    QRadioButton* RadioButton1 = nullptr; // "Слева сверху"
    QRadioButton* RadioButton2 = nullptr; // "Слева снизу"
    QRadioButton* RadioButton3 = nullptr; // "Справа сверху"
    QRadioButton* RadioButton4 = nullptr; // "Справа снизу"
    QPushButton* Button1 = nullptr;       // "Усё!"

    Corner checkedCorner() const;

    void Button1Click();
    void FormClose();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    SettingsSteps& m_settings;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace zentari
