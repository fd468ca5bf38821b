#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

// Waking the machine from suspend at given times. The Linux back end is
// HelperWakeAlarms (wakealarms_helper.h), over the zentari-wake helper;
// RecordingWakeAlarms (sleeprecording.h) stands in for it in tests and in the
// dry-run mode.
namespace zentari {

class WakeAlarms : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Wakes the machine at each of these times from now on, instead of the
    // times given before; an empty list wakes it never. Times already past
    // are left out.
    virtual void setWakeTimes(const QList<QDateTime>& times) = 0;
    // Forgets every wake time and lets go of whatever does the waking; the
    // next setWakeTimes() starts afresh, and may be refused again.
    virtual void stop() = 0;

Q_SIGNALS:
    // The machine cannot be woken here: once until stop(), with the reason
    // in Russian. Wake times given meanwhile are ignored.
    void refused(const QString& reason);
};

} // namespace zentari
