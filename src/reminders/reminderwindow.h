#pragma once

#include <QDateTime>
#include <QDialog>
#include <functional>

class QMenu;
class QPlainTextEdit;

namespace zentari {

class ErrorReport;
class MessageBoxes;
class ReminderStore;

// TForm6: the window in which a due reminder is shown, captioned with its title.
// It stays above every other window of the program, the reminder editor
// included, so that a reminder is never hidden behind the window the user is in.
// Its context menu snoozes the reminder: moves it in the store to a later time.
class TForm6 : public QDialog
{
    Q_OBJECT
public:
    // What snoozing needs; without a store the menu does nothing.
    struct SnoozeLinks
    {
        ReminderStore* store = nullptr;
        std::function<QDateTime()> now;
        // "SnoozeMinutes": the first item's delay.
        std::function<int()> minutes;
        MessageBoxes* messages = nullptr;
        ErrorReport* report = nullptr;
        // The reminder was put off: its id before and after (a new day is a
        // new id), its title and the second it now comes back.
        std::function<void(const QString& previousId, const QString& newId, const QString& title,
                           const QDateTime& due)>
            onSnoozed;
    };

    explicit TForm6(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QMenu* PopupMenu1 = nullptr;

    void setSnoozeLinks(SnoozeLinks links) { m_links = std::move(links); }

    // Shows the reminder and returns when the user has closed the window (or
    // snoozed the reminder). reminderId names it in the store.
    void showReminder(const QString& title, const QString& text, const QString& reminderId = {});

    // "Напомнить через 21 минуту".
    static QString snoozeCaption(int minutes);
    // The menu's first item follows SnoozeMinutes as it now is.
    void updateSnoozeMenu();
    // Moves the reminder shown to now + minutes and closes the window; when it
    // cannot be moved, says why and stays.
    void snooze(int minutes);

protected:
    void showEvent(QShowEvent* e) override;

private:
    int snoozeMinutes() const;
    void popUp(QWidget* from, const QPoint& at);

    SnoozeLinks m_links;
    QString m_reminderId;
};

} // namespace zentari
