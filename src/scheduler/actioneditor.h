#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

class QLabel;

namespace zentari {

// TForm4: the action editor ("Настройка будильника"). Its Timer1 mirrors the
// clock's time into the editors once the clock's start-up timer switches it on.
class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(std::function<QString()> clockTime, QWidget* parent = nullptr);

    QLabel* Label3 = nullptr; // the clock's time, mirrored
    QTimer* Timer1 = nullptr;

    void Timer1Timer();

private:
    std::function<QString()> m_clockTime;
};

// TForm8: the periodicity dialog of the action editor.
class TForm8 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr) : QDialog(parent) {}
};

} // namespace zentari
