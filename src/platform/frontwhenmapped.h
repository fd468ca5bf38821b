#pragma once

class QWidget;

namespace zentari {

// A window that opens while the user works in another one is not always put
// on top of it or given the focus by the window manager: this asks for both
// once the window is mapped. Call it from the window's showEvent.
void bringToFrontWhenMapped(QWidget* window);

} // namespace zentari
