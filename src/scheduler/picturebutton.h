#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace zentari {

// A button drawn as one picture. Transparent, the colour of the picture's
// bottom-left pixel is left out so the window shows through the corners;
// opaque, the picture is drawn whole (the editor's mark of a highlighted button).
class PictureButton : public QWidget
{
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    void setPicture(const QImage& image);
    const QImage& picture() const { return m_image; }
    void setTransparent(bool transparent);
    bool transparent() const { return m_transparent; }

Q_SIGNALS:
    // Space or Enter while the button has the keyboard focus.
    void keyPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void rebuild();

    QImage m_image;
    QPixmap m_shown;
    bool m_transparent = true;
};

} // namespace zentari
