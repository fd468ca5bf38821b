#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>

namespace zentari {

// A button drawn as one bitmap, with a caption label of the window lying over
// it. The window decides which of its pictures (normal, hover, pressed) the
// button shows, since one hover flag serves all the buttons of a window.
// "Transparent", the colour of the bitmap's bottom-left pixel is left out so
// that the window shows through the corners; opaque, the bitmap is drawn whole.
//
// Being a real button, it is a push button named by its caption to a screen
// reader, which can press it; Space, Enter and Return press it when it has the
// keyboard focus, and a left click counts when released over it.
class BitmapButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit BitmapButton(QWidget* parent = nullptr);

    // Throws Error when the file cannot be loaded; the picture shown stays.
    void loadPicture(const QString& path);
    void setPicture(const QImage& image);
    const QImage& picture() const { return m_image; }
    // The file of the last loadPicture, empty after setPicture.
    QString pictureFile() const { return m_file; }
    void setTransparent(bool transparent);
    bool transparent() const { return m_transparent; }
    // Stretched over the whole button, or drawn unscaled from its top-left corner.
    void setStretched(bool stretched);

Q_SIGNALS:
    // Any movement over the button, pressed or not.
    void mouseMoved();
    // Any mouse button pressed on it; a click is clicked().
    void mouseDown(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void rebuild();

    QImage m_image;
    QPixmap m_shown;
    QString m_file;
    bool m_transparent = false;
    bool m_stretched = false;
};

} // namespace zentari
