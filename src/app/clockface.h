#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QDateTime;
class QLabel;
class QWidget;

namespace zentari {

class IniFile;
class PictureBox;

// What the clock window looks like and where it stands: the time and date
// over the picture, their colours, the border, the transparency, and the
// position, kept on a screen and remembered in conf.ini.
class ClockFace : public QObject
{
    Q_OBJECT
public:
    // Gives window its look before any option is read and builds the labels
    // and the picture on it; config is the window's handle on conf.ini, read
    // afresh at every apply.
    ClockFace(QWidget* window, IniFile& config, QString programDir);

    QLabel* Label1 = nullptr; // the time
    QLabel* Label2 = nullptr; // the date
    QLabel* Label3 = nullptr; // the weekday number, hidden
    PictureBox* Image1 = nullptr;

    // Runs after a changed border has shown the window again (its taskbar state).
    std::function<void()> onShownAgain;

    // The time and date of now on the labels (and the hidden weekday number).
    void showTime(const QDateTime& now);

    // Everything conf.ini says about the look and the place, as at start.
    void applyAtStart();
    // What a return to the clock reads again: colours, picture, border.
    void applyOnActivate();
    // What the configuration tool may have changed while the clock ran: the
    // look as at start, and the place only where it is remembered.
    void applyOnReload();

    void applyColours();
    void applyPicture();
    void applyBorder();
    // Framed: 135 x 81 with a caption and no buttons; otherwise 127 x 47 bare.
    void setFramed(bool framed);
    bool framed() const { return m_framed; }
    void applyTransparency();
    void applyStoredPosition();
    void keepDesignPositionOnScreen();
    // Moves the clock back onto the nearest screen when it is off every one.
    void keepOnScreens();
    void watchScreens();
    void storePosition();
    // Only while the position is to be remembered (options::SavePosition): the
    // remembered one taken back and kept on a screen, or the current one stored.
    void applyRememberedPosition();
    void rememberPosition();

Q_SIGNALS:
    // A left double click on the picture.
    void pictureDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* m_window;
    IniFile& m_configStore;
    QString m_programDir;
    bool m_framed = true;
    bool m_borderApplied = false;
};

} // namespace zentari
