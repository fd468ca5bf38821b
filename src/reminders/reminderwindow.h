#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace zentari {

// TForm6: the window in which a due reminder is shown, captioned with its title.
// It stays above every other window of the program, the reminder editor
// included, so that a reminder is never hidden behind the window the user is in.
class TForm6 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;

    // Shows the reminder and returns when the user has closed the window.
    void showReminder(const QString& title, const QString& text);

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace zentari
