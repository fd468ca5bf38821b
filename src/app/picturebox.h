#pragma once

#include <QImage>
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

private:
    QImage m_image;
};

} // namespace zentari
