#pragma once

#include <QDialog>

namespace zentari {

// TForm3: the about box.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr) : QDialog(parent)
    {
        setWindowTitle(QStringLiteral("О программке"));
        setFixedSize(285, 275);
    }
};

} // namespace zentari
