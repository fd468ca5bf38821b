#include "positionchooser.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWindow>

namespace zentari {

TForm7::TForm7(SettingsSteps& settings, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_settings(settings)
{
    setWindowTitle(QStringLiteral("Выберите расположение"));
    setFixedSize(223, 78);
    setWindowOpacity(196 / 255.0);

    auto radio = [this](const QString& text, int x, int y, bool textLeft) {
        auto* button = new QRadioButton(text, this);
        if (textLeft)
            button->setLayoutDirection(Qt::RightToLeft);
        button->setGeometry(x, y, 111, 22);
        return button;
    };
    RadioButton1 = radio(QStringLiteral("Слева сверху"), 0, 0, false);
    RadioButton2 = radio(QStringLiteral("Слева снизу"), 0, 56, false);
    RadioButton3 = radio(QStringLiteral("Справа сверху"), 112, 0, true);
    RadioButton4 = radio(QStringLiteral("Справа снизу"), 112, 56, true);
    RadioButton4->setChecked(true);
    Button1 = new QPushButton(QStringLiteral("Усё!"), this);
    Button1->setGeometry(64, 24, 89, 33);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TForm7::Button1Click);
}

Corner TForm7::checkedCorner() const
{
    if (RadioButton4->isChecked())
        return Corner::BottomRight;
    if (RadioButton3->isChecked())
        return Corner::TopRight;
    if (RadioButton2->isChecked())
        return Corner::BottomLeft;
    return Corner::TopLeft;
}

void TForm7::Button1Click()
{
    m_settings.chooseCorner(checkedCorner());
    close();
}

void TForm7::FormClose()
{
    m_settings.chooserClosed();
}

void TForm7::showEvent(QShowEvent* e)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(e);
}

void TForm7::hideEvent(QHideEvent* e)
{
    // "Усё!", Escape or the window manager: every way out counts as a choice made.
    if (!e->spontaneous())
        FormClose();
    QDialog::hideEvent(e);
}

void TForm7::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    // No window manager to move us: follow the pointer by hand.
    m_dragging = true;
    m_dragOffset = e->globalPosition().toPoint() - pos();
}

void TForm7::mouseMoveEvent(QMouseEvent* e)
{
    if (m_dragging && (e->buttons() & Qt::LeftButton))
        move(e->globalPosition().toPoint() - m_dragOffset);
}

void TForm7::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

} // namespace zentari
