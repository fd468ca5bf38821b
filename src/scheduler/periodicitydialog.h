#pragma once

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace zentari {

class TForm4;

// TForm8: the periodicity dialog ("Выберите периодичность исполнения") of the
// action editor: once, every day or on chosen weekdays. Made when first
// needed, then kept and only hidden when closed, so its choice and check marks last for the whole
// run.
class TForm8 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // The editor that receives the code whenever the dialog closes.
    TForm4* Form4 = nullptr;

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // once
    QRadioButton* RadioButton2 = nullptr; // every day
    QRadioButton* RadioButton3 = nullptr; // on chosen days
    QListWidget* CheckListBox1 = nullptr; // Monday first
    QLabel* Label1 = nullptr;             // empty, never used

    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void FormClose();

    // 3, 2 or 1 for the radio button that is checked.
    int code() const;
    // Shows a stored choice: the radio button of the code and the days' check marks.
    void showChoice(int code, const std::array<bool, 7>& days);
    bool checked(int day) const; // 0 = Monday … 6 = Sunday
    std::array<bool, 7> checkedDays() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace zentari
