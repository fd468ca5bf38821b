#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace zentari {

// A picture that serves as a button: it shows one bitmap, unscaled from its
// top-left corner, either opaque or "transparent", where the bitmap's
// background colour (its bottom-left pixel) lets the window show through.
class ImageButton : public QWidget
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    // Throws Error when the file cannot be loaded; the picture shown stays.
    void loadPicture(const QString& path);
    void setTransparent(bool transparent);
    bool transparent() const { return m_transparent; }
    QString pictureFile() const { return m_file; }

Q_SIGNALS:
    void mouseMoved();
    void mouseDown();
    // The left button released over the picture.
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void rebuild();

    QImage m_image;
    QPixmap m_shown;
    QString m_file;
    bool m_transparent = false;
};

} // namespace zentari
