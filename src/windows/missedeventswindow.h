#pragma once

#include "session/missedevent.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTableWidget;

namespace zentari {

// "Пропущенные события": what was missed and not performed, one list a run.
class MissedEventsWindow : public QDialog
{
    Q_OBJECT
public:
    explicit MissedEventsWindow(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;           // what the list is
    QTableWidget* List = nullptr;       // "Когда", "Что", "Почему"
    QPushButton* CloseButton = nullptr; // "Закрыть"

    // Appends the events below those listed before, in the order given.
    void addEvents(const QList<MissedEvent>& events);
    int count() const;
    // Shows the window without waiting for it, brought to the front.
    void showList();

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace zentari
