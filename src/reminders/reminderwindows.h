#pragma once

#include <QDialog>

namespace zentari {

// TForm5: the reminder editor.
class TForm5 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr) : QDialog(parent) {}
};

// TForm6: the window in which a due reminder is shown.
class TForm6 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr) : QDialog(parent) {}
};

} // namespace zentari
