#include "actioneditor.h"

#include "core/paths.h"
#include "platform/bitmapbutton.h"
#include "platform/picture.h"

#include <QLabel>
#include <QMouseEvent>

// The action editor's four picture buttons and the captions over them: their
// pictures (normal, hovered, pressed) and what a caption does for its button.

namespace zentari {
namespace {

// The four picture buttons, top to bottom, each with the caption that stands
// for it: the caption's text names the button to a screen reader, and pressing
// or releasing the caption does what that does on the button.
struct PictureButtonPlace
{
    BitmapButton* TForm4::*button;
    void (TForm4::*click)();
    QLabel* TForm4::*caption;
    const char* text;
};

const PictureButtonPlace kPictureButtons[] = {
    {&TForm4::Button4, &TForm4::Button4Click, &TForm4::Label6, "Добавить действие"},
    {&TForm4::Button3, &TForm4::Button3Click, &TForm4::Label4, "Изменить действие"},
    {&TForm4::Button2, &TForm4::Button2Click, &TForm4::Label5, "Удалить"},
    {&TForm4::Button1, &TForm4::Button1Click, &TForm4::Label7, "Выйти"},
};

QLabel* caption(QWidget* parent, const BitmapButton* over)
{
    auto* label = new QLabel(over->text(), parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 255, 0));
    label->setPalette(pal);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setMouseTracking(true);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    // Over the picture's face, which sits a little above its middle (the shadow is below).
    const QRect face = over->geometry().adjusted(0, 0, 0, -3);
    label->move(face.center() - label->rect().center());
    return label;
}

} // namespace

void TForm4::makePictureButtons(int left, int top)
{
    int row = 0;
    for (const PictureButtonPlace& place : kPictureButtons) {
        auto* b = new BitmapButton(this);
        b->setGeometry(left, top + row++ * 40, 160, 36);
        b->setText(QString::fromUtf8(place.text));
        b->setStretched(true);
        b->setTransparent(true);
        b->setCursor(Qt::PointingHandCursor);
        // Reachable with Tab, so that the editor can be used without a mouse.
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &BitmapButton::mouseMoved, this,
                [this, b] { m_report.guard([this, b] { pictureButtonHover(b); }); });
        connect(b, &BitmapButton::mouseDown, this, [this, b](Qt::MouseButton pressed) {
            if (pressed == Qt::LeftButton)
                m_report.guard([this, b] { pictureButtonPressed(b); });
        });
        connect(b, &BitmapButton::clicked, this, [this, click = place.click] {
            m_report.guard([this, click] { (this->*click)(); });
        });
        this->*place.button = b;
        this->*place.caption = caption(this, b);
    }
    for (QObject* o : std::initializer_list<QObject*>{Image1, Label4, Label5, Label6, Label7})
        o->installEventFilter(this);
}

QImage TForm4::buttonPicture(int index) const
{
    return loadPicture(
        paths::resolve(m_programDir, QString(QStringLiteral("data\\buttons\\ButtonAddAction") +
                                             QString::number(index) + QStringLiteral(".bmp"))));
}

void TForm4::FormCreate()
{
    const QImage normal = buttonPicture(1);
    for (BitmapButton* b : {Button1, Button2, Button3, Button4})
        b->setPicture(normal);
}

// ---------------------------------------------------------------- picture buttons

void TForm4::pictureButtonHover(BitmapButton* button)
{
    if (hover)
        return;
    hover = true;
    button->setPicture(buttonPicture(2));
    button->setTransparent(false);
}

void TForm4::Image1MouseMove()
{
    if (!hover)
        return;
    hover = false;
    const QImage normal = buttonPicture(1);
    for (BitmapButton* b : {Button4, Button3, Button2, Button1})
        if (!b->transparent()) {
            b->setTransparent(true);
            b->setPicture(normal);
        }
}

void TForm4::pictureButtonPressed(BitmapButton* button)
{
    button->setPicture(buttonPicture(3));
    button->setTransparent(false);
}

BitmapButton* TForm4::buttonUnder(const QObject* caption) const
{
    for (const PictureButtonPlace& place : kPictureButtons)
        if (this->*place.caption == caption)
            return this->*place.button;
    return nullptr;
}

bool TForm4::eventFilter(QObject* watched, QEvent* e)
{
    const auto type = e->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, e);
    if (watched == Image1) {
        if (type == QEvent::MouseMove)
            m_report.guard([this] { Image1MouseMove(); });
        return false;
    }
    BitmapButton* button = buttonUnder(watched);
    if (!button)
        return QDialog::eventFilter(watched, e);
    const bool left = static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton;
    m_report.guard([&] {
        if (type == QEvent::MouseMove) {
            pictureButtonHover(button);
        } else if (type == QEvent::MouseButtonPress && left) {
            pictureButtonPressed(button);
        } else if (type == QEvent::MouseButtonRelease && left) {
            // Wherever it is released: the caption is no button of its own.
            button->click();
        }
    });
    return type != QEvent::MouseMove;
}

} // namespace zentari
