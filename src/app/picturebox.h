#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace zentari {

// A picture stretched over the whole widget.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    void setPicture(const QImage& image);
    const QImage& picture() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_image;
    // Scaled once per size: the clock repaints under its labels every second.
    QPixmap m_scaled;
};

} // namespace zentari
