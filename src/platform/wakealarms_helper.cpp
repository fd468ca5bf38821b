#include "wakealarms_helper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <utility>

namespace zentari {

namespace {

const QString unavailable = QStringLiteral("Пробуждение компьютера для будильников недоступно: ");

} // namespace

HelperWakeAlarms::HelperWakeAlarms(QObject* parent) : HelperWakeAlarms(defaultProgram(), {}, parent)
{
}

HelperWakeAlarms::HelperWakeAlarms(QString program, QStringList arguments, QObject* parent)
    : WakeAlarms(parent), m_program(std::move(program)), m_arguments(std::move(arguments))
{
    m_answerTimeout.setSingleShot(true);
    m_answerTimeout.setInterval(defaultAnswerTimeoutMs);
    connect(&m_answerTimeout, &QTimer::timeout, this, [this] {
        refuse(
            unavailable +
            QStringLiteral("программа %1 не отвечает.").arg(QDir::toNativeSeparators(m_program)));
    });
}

HelperWakeAlarms::~HelperWakeAlarms()
{
    letGo();
    // At the program's end there is no event loop left to see helpers out.
    for (QProcess* helper : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        if (!helper->waitForFinished(1000))
            helper->kill();
        helper->waitForFinished(1000);
    }
}

QString HelperWakeAlarms::defaultProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zentari-wake"));
}

void HelperWakeAlarms::setWakeTimes(const QList<QDateTime>& times)
{
    if (m_refused)
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QList<qint64> wanted;
    for (const QDateTime& time : times) {
        if (time.isValid() && time.toSecsSinceEpoch() > now)
            wanted.append(time.toSecsSinceEpoch());
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());

    ensureStarted();
    if (m_refused || wanted == m_armed)
        return;
    for (qint64 seconds : std::as_const(m_armed)) {
        if (!std::binary_search(wanted.cbegin(), wanted.cend(), seconds))
            send("unset " + QByteArray::number(seconds));
    }
    for (qint64 seconds : std::as_const(wanted)) {
        if (!std::binary_search(m_armed.cbegin(), m_armed.cend(), seconds))
            send("set " + QByteArray::number(seconds));
    }
    m_armed = wanted;
}

QList<QDateTime> HelperWakeAlarms::armedTimes() const
{
    QList<QDateTime> times;
    for (qint64 seconds : m_armed)
        times.append(QDateTime::fromSecsSinceEpoch(seconds));
    return times;
}

void HelperWakeAlarms::stop()
{
    letGo();
    m_refused = false;
}

void HelperWakeAlarms::ensureStarted()
{
    if (m_helper)
        return;
    m_helper = new QProcess(this);
    m_helper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_helper, &QProcess::readyReadStandardOutput, this, &HelperWakeAlarms::readAnswers);
    connect(m_helper, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        const QString program = QDir::toNativeSeparators(m_program);
        refuse(unavailable + (QFileInfo::exists(m_program)
                                  ? QStringLiteral("не удалось запустить программу %1.")
                                  : QStringLiteral("нет программы %1."))
                                 .arg(program));
    });
    connect(m_helper, &QProcess::finished, this, [this] {
        // Its wake times went with it; the user would wait in vain for them.
        refuse(unavailable + QStringLiteral("программа %1 неожиданно завершилась.")
                                 .arg(QDir::toNativeSeparators(m_program)));
    });
    m_helper->start(m_program, m_arguments);
    send("probe");
}

void HelperWakeAlarms::send(const QByteArray& request)
{
    if (!m_helper)
        return;
    m_helper->write(request + '\n');
    m_unanswered.append(request);
    if (!m_answerTimeout.isActive())
        m_answerTimeout.start();
}

void HelperWakeAlarms::readAnswers()
{
    while (m_helper && m_helper->canReadLine()) {
        const QByteArray line = m_helper->readLine().trimmed();
        if (line.startsWith("fired ")) {
            const qint64 seconds = line.mid(6).toLongLong();
            m_armed.removeOne(seconds);
            Q_EMIT fired(QDateTime::fromSecsSinceEpoch(seconds));
            continue;
        }
        if (m_unanswered.isEmpty())
            continue;
        answered(m_unanswered.takeFirst(), line);
    }
    if (m_unanswered.isEmpty())
        m_answerTimeout.stop();
    else if (m_helper)
        m_answerTimeout.start();
}

void HelperWakeAlarms::answered(const QByteArray& request, const QByteArray& answer)
{
    if (answer == "ok")
        return;
    const QList<QByteArray> words = answer.split(' ');
    const QByteArray code = words.value(1);
    const QString program = QDir::toNativeSeparators(m_program);
    if (code == "eperm") {
        refuse(unavailable + QStringLiteral("у программы %1 нет права будить компьютер "
                                            "(cap_wake_alarm). Администратор даёт его командой\n"
                                            "sudo setcap cap_wake_alarm+ep %1")
                                 .arg(program));
    } else if (code == "nodev") {
        refuse(unavailable +
               QStringLiteral("ядро системы не умеет будить компьютер по времени (нет часов "
                              "CLOCK_REALTIME_ALARM)."));
    } else if (request.startsWith("set ")) {
        // Come and gone while it was told (past), or not armed for another
        // reason the helper names: the clock is awake for it anyway.
        m_armed.removeOne(request.mid(4).toLongLong());
        if (code != "past")
            qWarning("zentari-wake: %s: %s", request.constData(), answer.constData());
    }
}

void HelperWakeAlarms::refuse(const QString& reason)
{
    if (m_refused)
        return;
    letGo();
    m_refused = true;
    Q_EMIT refused(reason);
}

// The helper ends when its input closes, and its wake times with it; one
// that does not is killed a second later. Nothing here waits for it.
void HelperWakeAlarms::letGo()
{
    m_answerTimeout.stop();
    m_unanswered.clear();
    m_armed.clear();
    if (!m_helper)
        return;
    QProcess* helper = std::exchange(m_helper, nullptr);
    helper->disconnect(this);
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    QTimer::singleShot(1000, helper, [helper] { helper->kill(); });
    helper->closeWriteChannel();
}

} // namespace zentari
