#include "shutdownwarning.h"

#include "platform/sleepservice.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentari {

ShutdownWarning::ShutdownWarning(QWidget* parent, SleepService* sleep)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      m_message(new QLabel(this)), m_countdown(new QLabel(this)),
      m_abort(new QPushButton(QStringLiteral("Прекратить выход из системы"), this)),
      m_blockers(new QLabel(this)), m_sleep(sleep)
{
    setWindowTitle(QStringLiteral("Zentari"));
    m_message->setWordWrap(true);
    m_blockers->setWordWrap(true);
    m_blockers->hide();
    QFont bold = m_countdown->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    m_countdown->setFont(bold);
    m_countdown->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addWidget(m_countdown);
    layout->addWidget(m_blockers);
    layout->addWidget(m_abort);
    setMinimumWidth(360);
    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &ShutdownWarning::refresh);
    connect(m_abort, &QPushButton::clicked, this, &ShutdownWarning::abortRequested);
}

void ShutdownWarning::start(const QString& message, int seconds)
{
    m_message->setText(message.trimmed());
    m_deadline = QDateTime::currentDateTimeUtc().addSecs(seconds);
    refresh();
    m_timer.start();
    askForBlockers();
    show();
    raise();
}

void ShutdownWarning::askForBlockers()
{
    m_blockers->clear();
    m_blockers->hide();
    const quint64 asked = ++m_asked;
    if (!m_sleep)
        return;
    m_sleep->listShutdownBlockers(this, [this, asked](const QList<ShutdownBlocker>& blockers) {
        if (asked != m_asked || !m_timer.isActive())
            return;
        QStringList lines;
        for (const ShutdownBlocker& b : blockers)
            lines.append(QStringLiteral("Выключению мешает: ") + b.who +
                         (b.why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(b.why)));
        m_blockers->setText(lines.join(u'\n'));
        m_blockers->setVisible(!lines.isEmpty());
    });
}

QString ShutdownWarning::blockersText() const
{
    return m_blockers->text();
}

void ShutdownWarning::stop()
{
    m_timer.stop();
    hide();
}

int ShutdownWarning::secondsLeft() const
{
    const qint64 ms = QDateTime::currentDateTimeUtc().msecsTo(m_deadline);
    return ms <= 0 ? 0 : int((ms + 999) / 1000);
}

void ShutdownWarning::refresh()
{
    const int left = secondsLeft();
    m_countdown->setText(QStringLiteral("Осталось секунд: %1").arg(left));
    // Past the deadline the system has taken over (or, in a dry run, nothing
    // happens): the warning has nothing more to say.
    if (left == 0)
        stop();
}

} // namespace zentari
