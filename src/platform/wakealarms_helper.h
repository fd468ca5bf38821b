#pragma once

#include "platform/wakealarms.h"

#include <QStringList>
#include <QTimer>

class QProcess;

namespace zentari {

// Wake times armed by the zentari-wake helper, which holds the capability to
// wake the machine so that the clock never does. The helper is started at the
// first setWakeTimes() and asked at once whether it can wake the machine; a
// missing capability, a kernel without a wake clock, a helper that cannot be
// started, ends or stops answering are refused() once, in Russian. Only the
// difference to the times already armed is sent, so a time that stays is
// never disarmed on the way.
class HelperWakeAlarms : public WakeAlarms
{
    Q_OBJECT
public:
    // The helper beside the running program, on the wake clock.
    explicit HelperWakeAlarms(QObject* parent = nullptr);
    HelperWakeAlarms(QString program, QStringList arguments, QObject* parent = nullptr);
    ~HelperWakeAlarms() override;

    void setWakeTimes(const QList<QDateTime>& times) override;
    void stop() override;

    // The times the helper holds now (those told and not yet fired or refused).
    QList<QDateTime> armedTimes() const;
    void setAnswerTimeout(int ms) { m_answerTimeout.setInterval(ms); }

    static QString defaultProgram();
    static constexpr int defaultAnswerTimeoutMs = 5000;

Q_SIGNALS:
    // A wake time has come (the machine was woken for it if it slept).
    void fired(const QDateTime& time);

private:
    void ensureStarted();
    void send(const QByteArray& request);
    void readAnswers();
    void answered(const QByteArray& request, const QByteArray& answer);
    void refuse(const QString& reason);
    void letGo();

    QString m_program;
    QStringList m_arguments;
    QProcess* m_helper = nullptr;
    QList<QByteArray> m_unanswered; // requests in the order sent
    QList<qint64> m_armed;          // seconds since 1970, ascending
    bool m_refused = false;
    QTimer m_answerTimeout;
};

} // namespace zentari
