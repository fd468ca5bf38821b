#include "reminderwindow.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

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
}

void TForm6::showReminder(const QString& title, const QString& text)
{
    setWindowTitle(title);
    Memo1->setPlainText(text);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void TForm6::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // A window that opens while the user works in another one is not always
    // put on top of it or given the focus: ask for both once it is mapped.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible())
            return;
        raise();
        activateWindow();
    });
}

} // namespace zentari
