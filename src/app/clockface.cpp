#include "clockface.h"

#include "app/picturebox.h"
#include "app/screenplacement.h"
#include "app/windowdrag.h"
#include "core/conversions.h"
#include "core/error.h"
#include "core/inifile.h"
#include "core/options.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/picture.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <QWindow>

namespace zentari {

namespace {

// Labels size themselves to their text; only a changed text is set, so an idle
// second repaints just the digits that moved.
void setCaption(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    label->setText(text);
    label->adjustSize();
}

constexpr int kClientWidth = 127;
constexpr int kClientHeight = 47;
constexpr int kFramedWidth = 135;
constexpr int kFramedHeight = 81;

QColor fromColorRef(unsigned int bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

QFont clockFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

void redTooltips()
{
    QPalette p = QToolTip::palette();
    p.setColor(QPalette::ToolTipBase, QColor(255, 0, 0));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    QToolTip::setPalette(p);
}

} // namespace

ClockFace::ClockFace(QWidget* window, IniFile& config, QString programDir)
    : QObject(window), m_window(window), m_configStore(config), m_programDir(std::move(programDir))
{
    // As the window is drawn before any option is read: framed, green text,
    // mostly opaque, in the lower right of a 1024 x 768 screen.
    window->setWindowTitle(QStringLiteral("Zentari"));
    setFramed(true);
    window->move(907, 663);
    window->setFixedSize(111, 43);
    window->setWindowOpacity(230 / 255.0);

    Label3 = new QLabel(window);
    Label3->move(40, 24);
    Label3->hide();
    Image1 = new PictureBox(window);
    Image1->setGeometry(window->rect());
    Image1->setToolTip(QStringLiteral("Нажмите 2 раза по картинке, чтобы открыть меню настроек."));
    Label1 = new QLabel(window);
    Label1->setFont(clockFont(19));
    Label1->move(16, 21);
    Label1->resize(63, 24);
    Label2 = new QLabel(window);
    Label2->setFont(clockFont(13));
    Label2->move(16, 5);
    Label2->resize(48, 16);
    // Their hints are kept but never shown: they would cover the clock itself.
    Label1->setStatusTip(QStringLiteral("Это текущее время"));
    Label2->setStatusTip(QStringLiteral("Это текущая дата"));
    for (QLabel* label : {Label1, Label2})
        setTextColour(label, QColor(0, 128, 0));
    Label1->installEventFilter(this);
    Image1->installEventFilter(this);
    window->installEventFilter(this); // the picture follows the window's size
    // The picture fills the whole window, so it and the date are where a drag starts.
    auto* drag = new WindowDrag(window);
    drag->addSource(Image1);
    drag->addSource(Label2);
}

void ClockFace::applyAtStart()
{
    redTooltips();
    applyColours();
    if (options::isOn(m_configStore, options::SavePosition))
        applyStoredPosition();
    else
        keepDesignPositionOnScreen();
    applyPicture();
    applyBorder();
    applyTransparency();
    // Measured with the border just given: a position saved on a bigger desktop.
    keepOnScreens();
}

void ClockFace::applyOnActivate()
{
    redTooltips();
    applyColours();
    applyPicture();
    applyBorder();
}

void ClockFace::applyOnReload()
{
    applyColours();
    // Not the place a clock starts at otherwise: one the user has moved stays.
    if (options::isOn(m_configStore, options::SavePosition))
        applyStoredPosition();
    applyPicture();
    applyBorder();
    applyTransparency();
    keepOnScreens();
}

void ClockFace::applyColours()
{
    setTextColour(Label1, fromColorRef(options::readColour(m_configStore, options::Color)));
    setTextColour(Label2, fromColorRef(options::readColour(m_configStore, options::Color)));
}

void ClockFace::keepDesignPositionOnScreen()
{
    // The lower right corner is where the clock starts; on a screen smaller than
    // that position assumes, pull it in so that none of it is cut off.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize outer(kFramedWidth, kFramedHeight);
    m_window->move(
        std::max(area.left(), std::min(m_window->x(), area.right() + 1 - outer.width())),
        std::max(area.top(), std::min(m_window->y(), area.bottom() + 1 - outer.height())));
}

void ClockFace::applyStoredPosition()
{
    m_window->move(options::readInt(m_configStore, options::Left, m_programDir), m_window->y());
    m_window->move(m_window->x(), options::readInt(m_configStore, options::Top, m_programDir));
}

void ClockFace::keepOnScreens()
{
    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    // The whole window: until the window manager has framed it, as big as its frame will make it.
    QSize outer = m_window->frameGeometry().size();
    if (m_framed)
        outer = outer.expandedTo(QSize(kFramedWidth, kFramedHeight));
    const QPoint to = reachablePosition(QRect(m_window->pos(), outer), screens);
    if (to != m_window->pos())
        m_window->move(to);
}

void ClockFace::watchScreens()
{
    // A monitor unplugged or a smaller resolution can leave the clock where
    // nothing shows it. The screens settle first, then the clock is measured.
    const auto changed = [this] { QTimer::singleShot(0, this, [this] { keepOnScreens(); }); };
    const auto watch = [this, changed](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, changed);
        connect(screen, &QScreen::availableGeometryChanged, this, changed);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, changed](QScreen* screen) {
        watch(screen);
        changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, changed);
}

void ClockFace::storePosition()
{
    options::write(m_configStore, options::Left, conv::intToStr(m_window->x()));
    options::write(m_configStore, options::Top, conv::intToStr(m_window->y()));
}

void ClockFace::applyRememberedPosition()
{
    if (!options::isOn(m_configStore, options::SavePosition))
        return;
    applyStoredPosition();
    keepOnScreens();
}

void ClockFace::rememberPosition()
{
    if (options::isOn(m_configStore, options::SavePosition))
        storePosition();
}

void ClockFace::applyPicture()
{
    const QString configured = options::read(m_configStore, options::Picture, m_programDir);
    QImage image;
    try {
        image = loadPicture(paths::resolve(m_programDir, configured));
    } catch (const Error&) {
        image = loadPicture(paths::resolve(m_programDir, u"data\\BackGround1.jpg"));
    }
    Image1->setPicture(image);
}

void ClockFace::applyBorder()
{
    setFramed(options::isOn(m_configStore, options::WithBoard));
}

void ClockFace::setFramed(bool framed)
{
    // Changing window flags re-creates the native window, so it is done only
    // when the border really changes, never as a matter of routine.
    if (!m_borderApplied || framed != m_framed) {
        // A caption and no buttons, as far as the window manager follows the hints.
        const Qt::WindowFlags flags =
            Qt::Window | Qt::WindowStaysOnTopHint |
            (framed ? (Qt::CustomizeWindowHint | Qt::WindowTitleHint) : Qt::FramelessWindowHint);
        const bool wasVisible = m_window->isVisible();
        m_window->setWindowFlags(flags);
        if (wasVisible) {
            m_window->show();
            if (onShownAgain)
                onShownAgain();
        }
        m_borderApplied = true;
    }
    m_framed = framed;
    if (!framed) {
        m_window->setFixedSize(kClientWidth, kClientHeight);
    } else {
        // The whole window, frame included, is 135 x 81 where the window
        // manager lets us know its frame.
        const QWindow* handle = m_window->windowHandle();
        QMargins frame = handle ? handle->frameMargins() : QMargins();
        if (frame.isNull())
            frame = QMargins(4, 30, 4, 4);
        m_window->setFixedSize(
            std::max(kClientWidth, kFramedWidth - frame.left() - frame.right()),
            std::max(kClientHeight, kFramedHeight - frame.top() - frame.bottom()));
    }
}

void ClockFace::applyTransparency()
{
    if (!options::isOn(m_configStore, options::UseAlpha)) {
        m_window->setWindowOpacity(1.0);
        return;
    }
    const int value = options::readInt(m_configStore, options::AlphaValue, m_programDir);
    // One byte: 129 wraps to fully transparent. Unsigned, so that no value near
    // the integer limits overflows; the low byte is the same.
    const int alpha = int((unsigned(value) + 127u) & 0xFFu);
    m_window->setWindowOpacity(alpha / 255.0);
}

bool ClockFace::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_window) {
        if (e->type() == QEvent::Resize)
            Image1->setGeometry(m_window->rect());
        return false;
    }
    const bool press = e->type() == QEvent::MouseButtonPress;
    const bool doubleClick = e->type() == QEvent::MouseButtonDblClick;
    if (watched == Label1 && (press || doubleClick))
        return true; // the time neither drags nor opens the settings
    if (watched == Image1 && doubleClick &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        Q_EMIT pictureDoubleClicked();
        return true;
    }
    return QObject::eventFilter(watched, e);
}

void ClockFace::showTime(const QDateTime& now)
{
    setCaption(Label1, timetext::timeToStr(now.time()));
    setCaption(Label2, timetext::dateToStr(now.date()));
    Label3->setText(timetext::weekdayText(timetext::strToDate(Label2->text())));
}

} // namespace zentari
