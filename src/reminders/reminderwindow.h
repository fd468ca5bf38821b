#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace zentari {

// TForm6: the window in which a due reminder is shown, captioned with its title.
class TForm6 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;

    // Shows the reminder and returns when the user has closed the window.
    void showReminder(const QString& title, const QString& text);
    // From the first reminder on, the window stays above the others.
    void keepOnTop();
};

} // namespace zentari
