#pragma once

#include <QDialog>

namespace zentari {

// TForm7: the chooser of the clock's corner of the screen.
class TForm7 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr) : QDialog(parent) {}
};

} // namespace zentari
