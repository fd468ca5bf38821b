#pragma once

#include "platform/services.h"
#include "reminders/reminderstore.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class QTimeEdit;

namespace zentari {

class ErrorReport;

// TForm5: the reminder editor ("Редактор сообщений"). Edits the reminder
// store's one in-memory copy, which the clock's session loads at start and the
// tick reads too.
class TForm5 : public QDialog
{
    Q_OBJECT
public:
    TForm5(ReminderStore& store, QString programDir, const Services& services, ErrorReport& report,
           QWidget* parent = nullptr);

    ReminderStore& store() { return m_store; }

    QListView* ListBox1 = nullptr; // the titles, one line per reminder
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Image1 = nullptr;
    QLabel* Label1 = nullptr; // the clock's time, mirrored every second
    QLineEdit* Edit4 = nullptr;
    QTimeEdit* DateTimePicker1 = nullptr;
    QDateEdit* DateTimePicker2 = nullptr;
    QPushButton* Button1 = nullptr; // "Сохранить и выйти"
    QPushButton* Button2 = nullptr; // "Редактировать напоминалку"
    QPushButton* Button3 = nullptr; // "Удалить напоминалку"
    QPushButton* Button4 = nullptr; // "Добавить новую напоминалку"
    QPushButton* Button5 = nullptr; // "Принять изменения"
    QPushButton* Button6 = nullptr; // "Отменить измения"

    // 1 while the edit mode changes the selected reminder, 0 while it adds one.
    int changing = 0;

    // The selected line of ListBox1, -1 when none; selecting one runs ListBox1Click.
    int selectedRow() const;
    void selectRow(int row);
    QStringList listedTitles() const;

    void FormCreate();
    void ListBox1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();

private:
    void showReminder(int position);
    void setEditMode(bool editing);
    void errorBeep();
    void inputError(const QString& text);
    bool addFromFields();
    // Refills the list when the store read its lists again since `loadsBefore`
    // (another program had changed them); true when it did.
    bool followReload(quint64 loadsBefore);
    // The title and text of the fields, if they can be stored; else the message is shown.
    bool fieldsStorable();

    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    ReminderStore& m_store;
    // Shares its texts with the store's titles: ten thousand reminders cost
    // the list no copies.
    QStringListModel* m_titles = nullptr;
};

} // namespace zentari
