#pragma once

#include <QImage>
#include <QString>

namespace zentari {

// Loads a picture chosen by its file extension: JPEG (.jpg, .jpeg, .jpe) through
// libjpeg, every other type through Qt's image readers. A missing, damaged or
// truncated file throws Error; a damaged JPEG never aborts the program.
QImage loadPicture(const QString& path);

} // namespace zentari
