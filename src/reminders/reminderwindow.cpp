#include "reminderwindow.h"

#include "core/timetext.h"
#include "platform/errorreport.h"
#include "platform/frontwhenmapped.h"
#include "platform/services.h"
#include "reminderstore.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>

namespace zentari {

TForm6::TForm6(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setFixedSize(302, 116);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);
    setAutoFillBackground(true);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setGeometry(0, 0, 302, 116);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(QString(), this, [this] { snooze(snoozeMinutes()); });
    for (const int minutes : {5, 15, 30})
        PopupMenu1->addAction(snoozeCaption(minutes), this, [this, minutes] { snooze(minutes); });
    PopupMenu1->addAction(QStringLiteral("Напомнить через 1 час"), this, [this] { snooze(60); });
    updateSnoozeMenu();
    // The text box's own menu (copy, select all) gives way to the snooze menu.
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Memo1)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& at) { popUp(w, at); });
    }
}

QString TForm6::snoozeCaption(int minutes)
{
    return QStringLiteral("Напомнить через ") + timetext::minutesText(minutes);
}

int TForm6::snoozeMinutes() const
{
    return m_links.minutes ? m_links.minutes() : 10;
}

void TForm6::updateSnoozeMenu()
{
    PopupMenu1->actions().constFirst()->setText(snoozeCaption(snoozeMinutes()));
}

void TForm6::popUp(QWidget* from, const QPoint& at)
{
    updateSnoozeMenu();
    PopupMenu1->popup(from->mapToGlobal(at));
}

void TForm6::showReminder(const QString& title, const QString& text, const QString& reminderId)
{
    m_reminderId = reminderId;
    setWindowTitle(title);
    Memo1->setPlainText(text);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void TForm6::snooze(int minutes)
{
    if (!m_links.store || m_reminderId.isEmpty())
        return;
    const auto tell = [this](const QString& text) {
        if (m_links.messages)
            m_links.messages->show(text, windowTitle(), MessageIcon::Warning);
    };
    const auto move = [&] {
        const QDateTime when = m_links.now().addSecs(qint64(minutes) * 60);
        const QString previousId = m_reminderId;
        QString movedId;
        switch (m_links.store->moveTo(m_reminderId, when, &movedId)) {
        case ReminderStore::Moved::Done:
            if (m_links.onSnoozed)
                m_links.onSnoozed(previousId, movedId, windowTitle(), when);
            accept();
            break;
        case ReminderStore::Moved::Gone:
            tell(QStringLiteral("Напоминание «%1» уже удалено: отложить его нельзя.")
                     .arg(windowTitle()));
            break;
        case ReminderStore::Moved::Taken:
            tell(QStringLiteral("Напоминание «%1» на этот день уже есть: отложить это "
                                "напоминание на другой день нельзя.")
                     .arg(windowTitle()));
            break;
        }
    };
    if (m_links.report)
        m_links.report->guard(move);
    else
        move();
}

void TForm6::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    bringToFrontWhenMapped(this);
}

} // namespace zentari
