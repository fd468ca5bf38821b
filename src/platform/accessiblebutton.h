#pragma once

#include <QMetaObject>

class QWidget;

namespace zentari {

// Makes every widget of one class a button to a screen reader and to the
// accessibility bus: its accessible name (or, without one, nothing) as its
// name, its hint as its description, and a "Press" action that calls `press`.
// For widgets drawn as pictures, which Qt would present as plain panes.
void registerAccessibleButton(const QMetaObject& type, void (*press)(QWidget*));

} // namespace zentari
