#pragma once

#include <QImage>
#include <QString>

namespace zentari {

// Loads a picture chosen by its file extension: JPEG (.jpg, .jpeg, .jpe) through
// libjpeg, every other type through Qt's image readers. A missing, damaged or
// truncated file throws Error; a damaged JPEG never aborts the program.
QImage loadPicture(const QString& path);

// The picture with its background left out, as picture buttons are drawn
// "transparent": every pixel of the colour of its bottom-left pixel.
QImage withoutBackground(const QImage& image);

} // namespace zentari
