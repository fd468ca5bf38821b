#pragma once

#include "platform/services.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zentari {

class GateHost;

// TForm9: the password window that stands before the protected menu commands.
class TForm9 : public QDialog
{
    Q_OBJECT
public:
    TForm9(const Services& services, QWidget* parent = nullptr);

    void setHost(GateHost* host) { m_host = host; }

    // Sets the program-wide exit permission, which the clock's session keeps:
    // 1 lets the clock close without restarting.
    void exitAllowed(int allowed);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormCreate();
    void FormActivate();
    void Button1Click();
    void Button2Click();

    void reject() override;

protected:
    bool event(QEvent* e) override;

private:
    Services m_services;
    GateHost* m_host = nullptr;
};

} // namespace zentari
