#include "settingswindow.h"

#include "core/options.h"
#include "core/paths.h"
#include "platform/bitmapbutton.h"
#include "session/clocksession.h"
#include "windows/clockhost.h"
#include "windows/hinthook.h"
#include "windows/settingslinks.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace zentari {

namespace {

constexpr int kButtonPictureWidth = 241;

// The five picture buttons in painting order, each with the caption that
// stands for it: the caption's text names the button to a screen reader, and
// pressing or releasing the caption does what that does on the button.
struct PictureButtonPlace
{
    BitmapButton* TForm2::*button;
    void (TForm2::*click)();
    QRect geometry;
    const char* hint;
    QLabel* TForm2::*caption;
    const char* text;
    QPoint captionAt;
    int captionPixels;
};

const PictureButtonPlace kPictureButtons[] = {
    {&TForm2::Image2, &TForm2::Image2Click, QRect(264, 0, 249, 73),
     "Нажмите здесь чтобы выбрать расположение главного окна ( с часами )", &TForm2::Label12,
     "Выбрать расположение", QPoint(296, 20), 16},
    {&TForm2::SpeedButton3, &TForm2::SpeedButton3Click, QRect(-8, 56, 241, 73),
     "Нажмите здесь чтобы перейти к добавлению действий", &TForm2::Label8, "Добавить действие",
     QPoint(24, 76), 19},
    {&TForm2::SpeedButton5, &TForm2::SpeedButton5Click, QRect(-8, 152, 241, 73),
     "Нажмите здесь чтобы перейти к добавлению сообщений", &TForm2::Label9, "Добавить сообщение",
     QPoint(16, 174), 19},
    {&TForm2::SpeedButton1, &TForm2::SpeedButton1Click, QRect(-8, 248, 241, 73),
     "Нажмите здесь чтобы вернуться к часам", &TForm2::Label10, "Сохранить", QPoint(64, 270), 19},
    {&TForm2::SpeedButton2, &TForm2::SpeedButton2Click, QRect(264, 248, 241, 73),
     "Нажмите здесь чтобы покинуть приложение", &TForm2::Label11, "Выход", QPoint(352, 270), 19},
};

// Font sizes are pixel heights: the window's places were laid out for them.
// Where a designed font is missing, a named stand-in with Cyrillic letters
// takes its place, not whatever the font configuration would offer.
QFont checkBoxTextFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(16);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

QFont buttonCaptionFont(int pixels)
{
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixels);
    return font;
}

// The little alarm clock in the window's corner, drawn once.
QPixmap alarmClockPicture()
{
    QPixmap pixmap(49, 42);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor rim(150, 40, 30);
    p.setPen(QPen(rim, 1.5));
    p.setBrush(QColor(220, 60, 40));
    p.drawEllipse(QRectF(6, 2, 12, 10)); // the bells
    p.drawEllipse(QRectF(31, 2, 12, 10));
    p.setPen(QPen(rim, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 37), QPointF(10, 41)); // the feet
    p.drawLine(QPointF(35, 37), QPointF(39, 41));
    p.setPen(QPen(rim, 2));
    p.setBrush(QColor(236, 78, 52));
    p.drawEllipse(QRectF(8.5, 5.5, 32, 32));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(QColor(255, 252, 236));
    p.drawEllipse(QRectF(12.5, 9.5, 24, 24));
    p.setPen(QPen(QColor(40, 40, 60), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24.5, 21.5), QPointF(24.5, 13.5));
    p.drawLine(QPointF(24.5, 21.5), QPointF(30.5, 24.5));
    return pixmap;
}

} // namespace

TForm2::TForm2(QString programDir, const Services& services, ErrorReport& report,
               ClockSession& session, SettingsLinks& windows, ClockHost& clock, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_session(session), m_windows(windows), m_clock(clock), m_steps(clock, report, m_programDir)
{
    setWindowTitle(QStringLiteral("Настройки"));
    setFixedSize(502, 322);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(131, 226, 250));
    setPalette(palette);
    setToolTip(
        QStringLiteral("Это главное меню программы, отсюда можно перейти к другим окнам управления "
                       "программой. Здесь же распологаются наиболее \"горячии\" опции"));
    setMouseTracking(true);

    const QFont boxText = checkBoxTextFont();
    const QString alarmHint = QStringLiteral(
        "Уберите флажок для выключения функции будильника. При этом ни на какие события "
        "программа не реагирует");
    const QString panelHint = QStringLiteral(
        "Поставьте здесь флажок если вы используете широкую панель задач. Настроить высоту "
        "панели можно в дополнительных опциях ( conf.exe )");

    // Created in painting order: a caption lies over its button.
    Image1 = new QLabel(this);
    Image1->setGeometry(0, -1, 49, 42);
    Image1->setPixmap(alarmClockPicture());
    Image1->setToolTip(QStringLiteral("Это просто для красоты"));
    Image1->setAttribute(Qt::WA_NoMousePropagation);
    for (const PictureButtonPlace& place : kPictureButtons) {
        auto* button = new BitmapButton(this);
        button->setGeometry(place.geometry);
        button->setToolTip(QString::fromUtf8(place.hint));
        button->setText(QString::fromUtf8(place.text));
        connect(button, &BitmapButton::mouseMoved, this, [this, button] {
            m_report.guard([this, button] { ImageButtonMouseMove(button); });
        });
        connect(button, &BitmapButton::mouseDown, this, [this, button] {
            m_report.guard([this, button] { ImageButtonMouseDown(button); });
        });
        connect(button, &BitmapButton::clicked, this, [this, click = place.click] {
            m_report.guard([this, click] { (this->*click)(); });
        });
        this->*place.button = button;
    }

    Label1 = makeLabel(QStringLiteral("Активировать"), 64, 8, boxText);
    Label3 = makeLabel(QStringLiteral("будильник"), 80, 24, boxText);
    Label7 = makeLabel(QStringLiteral("Главное окно с рамкой"), 272, 112, boxText);
    Label2 = makeLabel(QStringLiteral("Широкая панель"), 320, 184, boxText);
    Label4 = makeLabel(QStringLiteral("задач"), 360, 200, boxText);
    for (QLabel* label : {Label1, Label3})
        label->setToolTip(alarmHint);
    Label7->setToolTip(QStringLiteral(
        "Поставьте здесь флажок для того чтобы главное окно ( с часами ) было в рамке"));
    for (QLabel* label : {Label2, Label4})
        label->setToolTip(panelHint);

    for (const PictureButtonPlace& place : kPictureButtons) {
        BitmapButton* button = this->*place.button;
        QLabel* label = makeLabel(button->text(), place.captionAt.x(), place.captionAt.y(),
                                  buttonCaptionFont(place.captionPixels));
        this->*place.caption = label;
        QPalette yellow = label->palette();
        yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));
        label->setPalette(yellow);
        // Without a hint of its own a caption would show the window's; the
        // button's says what pressing the caption does.
        label->setToolTip(button->toolTip());
        // Where the designed font is missing a wider one stands in: the caption
        // then moves left and, if need be, gets smaller rather than run off its button.
        const int right = std::min(button->x() + kButtonPictureWidth, width()) - 12;
        const int left = std::max(button->x(), 0) + 12;
        if (label->geometry().right() > right)
            label->move(std::max(left, label->x() - (label->geometry().right() - right)),
                        label->y());
        QFont font = label->font();
        while (label->geometry().right() > right && font.pixelSize() > 12) {
            font.setPixelSize(font.pixelSize() - 1);
            label->setFont(font);
            label->adjustSize();
        }
    }

    auto box = [this](int x, int y) {
        auto* check = new QCheckBox(this);
        check->move(x, y);
        check->resize(check->sizeHint());
        check->setAttribute(Qt::WA_NoMousePropagation);
        return check;
    };
    CheckBox1 = box(192, 24);
    CheckBox3 = box(464, 112);
    CheckBox2 = box(464, 192);
    CheckBox4 = box(464, 152);
    CheckBox4->hide();
    // The boxes' texts are labels beside them; a screen reader hears them with the box.
    CheckBox1->setAccessibleName(QStringLiteral("Активировать будильник"));
    // The switch is the session's: the box shows it, and the next tick follows a click.
    connect(CheckBox1, &QCheckBox::toggled, this,
            [this](bool on) { m_session.setAlarmEnabled(on); });
    CheckBox3->setAccessibleName(Label7->text());
    CheckBox2->setAccessibleName(QStringLiteral("Широкая панель задач"));
    CheckBox4->setAccessibleName(QStringLiteral("Поверх остальных"));
    Label5 = makeLabel(QStringLiteral("Поверх"), 320, 144, boxText);
    Label6 = makeLabel(QStringLiteral("остальных"), 320, 160, boxText);
    Label5->hide();
    Label6->hide();

    Image1->installEventFilter(this);

    ApplicationEvents1 = new HintHook(this);
    // Activations are told apart by where the focus came from.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
        if (!now) {
            // The focus left the program, unless it went with a window of ours
            // that was closed: the next of our windows is about to get it.
            m_backFromOwnWindow = m_focus && !m_focus->isVisible();
        } else if (now != windowHandle()) {
            m_backFromOwnWindow = true;
        }
        m_focus = now;
    });

    m_report.guard([this] { FormCreate(); });
}

TForm2::~TForm2() = default;

QLabel* TForm2::makeLabel(const QString& text, int x, int y, const QFont& font)
{
    auto* label = new QLabel(text, this);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    // Moving over a label changes no picture.
    label->setAttribute(Qt::WA_NoMousePropagation);
    label->installEventFilter(this);
    return label;
}

bool TForm2::alarmEnabled() const
{
    return CheckBox1->isChecked();
}

void TForm2::openConfig()
{
    paths::openConfig(m_config, m_programDir);
}

QString TForm2::buttonPicture(int index) const
{
    return paths::resolve(m_programDir,
                          QStringLiteral("data\\buttons\\ButtonOptions%1.bmp").arg(index));
}

void TForm2::FormCreate()
{
    openConfig();
    CheckBox1->setChecked(options::isOn(m_config, options::On));
    m_session.setAlarmEnabled(CheckBox1->isChecked());
    for (BitmapButton* button : {SpeedButton3, SpeedButton1, SpeedButton2, SpeedButton5, Image2}) {
        button->loadPicture(buttonPicture(1));
        button->setTransparent(true);
    }
}

void TForm2::FormActivate()
{
    openConfig();
    CheckBox1->setChecked(options::isOn(m_config, options::On));
    m_session.setAlarmEnabled(CheckBox1->isChecked());
    CheckBox4->setChecked(options::isOn(m_config, options::StayOnTop));
    CheckBox3->setChecked(options::isOn(m_config, options::WithBoard));
}

void TForm2::FormShow()
{
    // No opening animation: the window simply appears in the middle of its screen.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

// ---------------------------------------------------------------- image buttons

void TForm2::ImageButtonMouseMove(BitmapButton* button)
{
    if (m_hover != 0)
        return;
    button->loadPicture(buttonPicture(2));
    button->setTransparent(false);
    m_hover = 1;
}

void TForm2::FormMouseMove()
{
    if (m_hover != 1)
        return;
    m_hover = 0;
    for (BitmapButton* button : {Image2, SpeedButton5, SpeedButton3, SpeedButton2, SpeedButton1}) {
        if (button->transparent())
            continue;
        button->loadPicture(buttonPicture(1));
        button->setTransparent(true);
    }
}

void TForm2::ImageButtonMouseDown(BitmapButton* button)
{
    button->loadPicture(buttonPicture(3));
}

BitmapButton* TForm2::buttonUnder(const QLabel* label) const
{
    for (const PictureButtonPlace& place : kPictureButtons)
        if (this->*place.caption == label)
            return this->*place.button;
    return nullptr;
}

void TForm2::LabelMouseDown(QLabel* label)
{
    if (BitmapButton* button = buttonUnder(label))
        ImageButtonMouseDown(button);
}

void TForm2::LabelMouseUp(QLabel* label)
{
    if (BitmapButton* button = buttonUnder(label))
        button->click();
}

// ---------------------------------------------------------------- clicks

void TForm2::SpeedButton3Click()
{
    m_windows.openActionEditor();
}

void TForm2::SpeedButton5Click()
{
    m_windows.openReminderEditor();
}

void TForm2::Image2Click()
{
    m_windows.openPositionChooser();
}

void TForm2::Image1DblClick()
{
    m_windows.openAboutBox();
}

void TForm2::SpeedButton1Click()
{
    SettingsSteps::Choices choices;
    choices.framed = CheckBox3->isChecked();
    choices.widePanel = CheckBox2->isChecked();
    if (const std::optional<Corner> corner = m_windows.chooserCorner())
        choices.chooserCorner = *corner;
    m_steps.save(m_config, choices);
    close();
}

void TForm2::SpeedButton2Click()
{
    m_clock.allowExit();
    if (m_services.messages->askYesNo(QStringLiteral("Завершить работу приложения ?"),
                                      QStringLiteral("Выходим? Так быстро...")))
        m_clock.closeClock();
}

// ---------------------------------------------------------------- events

bool TForm2::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Show:
        m_shownSinceActivation = true;
        FormShow();
        break;
    case QEvent::WindowActivate:
        // Shown, or back from one of the program's own windows (an editor, a
        // message box): not when the user comes back from another program.
        if (m_shownSinceActivation || m_backFromOwnWindow)
            m_report.guard([this] { FormActivate(); });
        m_shownSinceActivation = false;
        m_backFromOwnWindow = false;
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TForm2::closeEvent(QCloseEvent* e)
{
    // Some window managers give the window a close button whatever it asks
    // for. Closed that way it saves nothing, but the clock, hidden while the
    // settings are open, must come back, or the program could not be reached.
    if (e->spontaneous())
        m_report.guard([this] { m_clock.showClock(); });
    QWidget::closeEvent(e);
}

void TForm2::mouseMoveEvent(QMouseEvent* e)
{
    m_report.guard([this] { FormMouseMove(); });
    QWidget::mouseMoveEvent(e);
}

bool TForm2::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Image1) {
        if (e->type() == QEvent::MouseButtonDblClick)
            m_report.guard([this] { Image1DblClick(); });
        return false;
    }
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label)
        return false;
    if (e->type() == QEvent::MouseButtonPress) {
        m_report.guard([this, label] { LabelMouseDown(label); });
        // The check boxes' texts switch them, as any check box's text does.
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            if (label == Label1 || label == Label3)
                CheckBox1->toggle();
            else if (label == Label7)
                CheckBox3->toggle();
            else if (label == Label2 || label == Label4)
                CheckBox2->toggle();
        }
    } else if (e->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        m_report.guard([this, label] { LabelMouseUp(label); });
    }
    return false;
}

} // namespace zentari
