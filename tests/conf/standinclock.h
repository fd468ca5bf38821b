#pragma once

#include "platform/singleinstance.h"

#include <QEventLoop>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>
#include <memory>

namespace zentari::test {

// A running clock as the configuration tool meets it: the folder's lock and
// socket held in a private runtime folder, on a thread of its own, since the
// tool blocks while it hands a request over. It records every request and
// answers it, or, when silent, takes it and never answers.
class StandInClock
{
public:
    StandInClock(QString programDir, QString runtimeDir, bool silent = false)
    {
        m_thread.reset(QThread::create([this, programDir, runtimeDir, silent] {
            SingleInstance instance(programDir, runtimeDir);
            const bool claimed = instance.claim();
            QList<QPointer<InstanceRequest>> unanswered;
            QObject::connect(&instance, &SingleInstance::requestReceived,
                             [&](InstanceRequest* request) {
                                 {
                                     const QMutexLocker lock(&m_mutex);
                                     m_requests.append(request->arguments().join(u' '));
                                 }
                                 if (silent)
                                     unanswered.append(request);
                                 else
                                     request->answer(0);
                             });
            {
                const QMutexLocker lock(&m_mutex);
                m_claimed = claimed;
                m_ready = true;
                m_readyChanged.wakeAll();
            }
            QEventLoop loop;
            loop.exec(); // until QThread::quit()
        }));
        m_thread->start();
        const QMutexLocker lock(&m_mutex);
        while (!m_ready)
            m_readyChanged.wait(&m_mutex);
    }
    ~StandInClock()
    {
        m_thread->quit();
        m_thread->wait();
    }
    bool claimed() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_claimed;
    }
    // Each request's arguments joined by blanks; "" for a plain start.
    QStringList requests() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    mutable QMutex m_mutex;
    QWaitCondition m_readyChanged;
    bool m_ready = false;
    bool m_claimed = false;
    QStringList m_requests;
    std::unique_ptr<QThread> m_thread;
};

} // namespace zentari::test
