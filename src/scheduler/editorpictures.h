#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

// The action editor's own pictures, drawn when first asked for rather than
// shipped as files: they are part of the window, not something a user swaps.
namespace zentari::editorpictures {

// The type chooser's icon for a type code 0..4 (sound, file, reboot, log-off, power).
QIcon typeIcon(int typeCode);
QIcon okIcon();
QIcon cancelIcon();
QIcon browseIcon();
QIcon periodicityIcon();
// The editor's background, a soft vertical gradient in the picture buttons' colours.
QImage background(QSize size);

} // namespace zentari::editorpictures
