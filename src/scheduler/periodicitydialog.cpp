#include "periodicitydialog.h"

#include "scheduler/actioneditor.h"
#include "scheduler/editorpictures.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>

namespace zentari {

TForm8::TForm8(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Выберите периодичность исполнения"));
    setWindowIcon(editorpictures::periodicityIcon());
    setFixedSize(297, 201);
    setModal(true);

    GroupBox1 = new QGroupBox(QStringLiteral("Периодичность"), this);
    GroupBox1->setGeometry(6, 4, 285, 191);
    RadioButton1 = new QRadioButton(QStringLiteral("Выполнять один раз"), GroupBox1);
    RadioButton1->setGeometry(10, 22, 265, 20);
    RadioButton2 = new QRadioButton(QStringLiteral("Выполнять каждый день"), GroupBox1);
    RadioButton2->setGeometry(10, 44, 265, 20);
    RadioButton3 = new QRadioButton(QStringLiteral("Выполнять в определеные дни"), GroupBox1);
    RadioButton3->setGeometry(10, 66, 265, 20);
    RadioButton1->setChecked(true);
    Label1 = new QLabel(GroupBox1);
    Label1->setGeometry(150, 90, 0, 0);

    // Two columns, Monday to Thursday and Friday to Sunday: all seven days fit
    // without scrolling in the dialog's fixed size.
    CheckListBox1 = new QListWidget(GroupBox1);
    CheckListBox1->setGeometry(10, 92, 265, 90);
    CheckListBox1->setFlow(QListView::TopToBottom);
    CheckListBox1->setWrapping(true);
    CheckListBox1->setResizeMode(QListView::Adjust);
    CheckListBox1->setGridSize(QSize(128, 20));
    CheckListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CheckListBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const char16_t* day : {u"Понедельник", u"Вторник", u"Среда", u"Четверг", u"Пятница",
                                u"Суббота", u"Воскресение"}) {
        auto* item = new QListWidgetItem(QString::fromUtf16(day), CheckListBox1);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    CheckListBox1->setEnabled(false);

    connect(RadioButton1, &QRadioButton::clicked, this, &TForm8::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TForm8::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &TForm8::RadioButton3Click);
}

// Disabling keeps the check marks: they are still saved, and only count for
// "Выполнять в определеные дни".
void TForm8::RadioButton1Click()
{
    CheckListBox1->setEnabled(false);
}
void TForm8::RadioButton2Click()
{
    CheckListBox1->setEnabled(false);
}
void TForm8::RadioButton3Click()
{
    CheckListBox1->setEnabled(true);
}

int TForm8::code() const
{
    if (RadioButton3->isChecked())
        return 3;
    if (RadioButton2->isChecked())
        return 2;
    return 1;
}

void TForm8::showChoice(int code, const std::array<bool, 7>& days)
{
    QRadioButton* button = code == 3 ? RadioButton3 : code == 2 ? RadioButton2 : RadioButton1;
    button->setChecked(true);
    CheckListBox1->setEnabled(button == RadioButton3);
    for (int day = 0; day < 7; ++day)
        CheckListBox1->item(day)->setCheckState(days[size_t(day)] ? Qt::Checked : Qt::Unchecked);
}

bool TForm8::checked(int day) const
{
    return CheckListBox1->item(day)->checkState() == Qt::Checked;
}

std::array<bool, 7> TForm8::checkedDays() const
{
    std::array<bool, 7> days{};
    for (int day = 0; day < 7; ++day)
        days[day] = checked(day);
    return days;
}

void TForm8::FormClose()
{
    if (Form4)
        Form4->periodicityCode = code();
}

void TForm8::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

// The close box, Escape and a programmatic close all end here: the code is
// handed over however the dialog goes.
void TForm8::done(int result)
{
    FormClose();
    QDialog::done(result);
}

} // namespace zentari
