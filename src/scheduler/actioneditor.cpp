#include "actioneditor.h"

#include <QLabel>

namespace zentari {

TForm4::TForm4(std::function<QString()> clockTime, QWidget* parent)
    : QDialog(parent), m_clockTime(std::move(clockTime))
{
    setWindowTitle(QStringLiteral("Настройка будильника"));
    setFixedSize(488, 376);
    Label3 = new QLabel(this);
    Label3->move(8, 8);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);
}

void TForm4::Timer1Timer()
{
    if (m_clockTime)
        Label3->setText(m_clockTime());
}

} // namespace zentari
