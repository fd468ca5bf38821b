#pragma once

#include <QIcon>
#include <QImage>

namespace zentari {

// Zentari's icon, a clock face at ten past ten with two alarm bells: the
// picture of packaging/zentari.svg, drawn here so that neither the programs
// nor the build need an SVG renderer.
QImage drawProgramIcon(int size);

// The icon in the sizes window managers and taskbars ask for; what
// QApplication::setWindowIcon gets, so that every window carries it.
QIcon programIcon();

} // namespace zentari
