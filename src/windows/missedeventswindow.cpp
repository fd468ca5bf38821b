#include "missedeventswindow.h"

#include "core/timetext.h"
#include "platform/frontwhenmapped.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zentari {

MissedEventsWindow::MissedEventsWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Пропущенные события"));
    resize(760, 260); // room for the longest reason beside a file's path
    setMinimumSize(360, 160);

    Label1 =
        new QLabel(QStringLiteral("Пока часы не могли действовать, наступили эти события, и они не "
                                  "были выполнены:"),
                   this);
    Label1->setWordWrap(true);

    List = new QTableWidget(0, 3, this);
    List->setHorizontalHeaderLabels(
        {QStringLiteral("Когда"), QStringLiteral("Что"), QStringLiteral("Почему")});
    List->setAccessibleName(QStringLiteral("Пропущенные события"));
    List->setAccessibleDescription(Label1->text());
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setWordWrap(false);
    List->setAlternatingRowColors(true);
    List->verticalHeader()->hide();
    List->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    List->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Interactive);
    List->horizontalHeader()->setStretchLastSection(true);
    List->setColumnWidth(1, 230);
    Label1->setBuddy(List);

    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    CloseButton->setAccessibleName(QStringLiteral("Закрыть"));
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(List);
    layout->addLayout(buttons);
}

void MissedEventsWindow::addEvents(const QList<MissedEvent>& events)
{
    for (const MissedEvent& event : events) {
        const int row = List->rowCount();
        List->insertRow(row);
        const QString when =
            timetext::timeToStr(event.due.time()) + u' ' + timetext::dateToStr(event.due.date());
        int column = 0;
        for (const QString& text : {when, event.what, event.why}) {
            auto* item = new QTableWidgetItem(text);
            // The whole text where a column is too narrow for it.
            item->setToolTip(text);
            List->setItem(row, column++, item);
        }
    }
    if (!events.isEmpty())
        List->scrollToBottom();
}

int MissedEventsWindow::count() const
{
    return List->rowCount();
}

void MissedEventsWindow::showList()
{
    show();
    raise();
    activateWindow();
}

void MissedEventsWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    bringToFrontWhenMapped(this);
}

} // namespace zentari
