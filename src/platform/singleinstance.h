#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

class QLockFile;
class QSocketNotifier;

namespace zentari {

class InstanceConnection;

// One request a later start handed to the running clock. The receiver of
// SingleInstance::requestReceived answers it, at once or later (it lives until
// answered or until the other start gives up waiting; hold it in a QPointer).
class InstanceRequest : public QObject
{
    Q_OBJECT
public:
    // The later start's arguments, without the program name; empty for a
    // plain start, which asks to show the clock.
    const QStringList& arguments() const { return m_arguments; }
    bool isShow() const { return m_arguments.isEmpty(); }

    // Sends the exit status and message for the later start to end with.
    // Only the first answer counts.
    void answer(int status, const QString& message = {});
    bool answered() const { return m_answered; }

private:
    friend class SingleInstance;
    InstanceRequest(QStringList arguments, InstanceConnection* connection);

    QStringList m_arguments;
    InstanceConnection* m_connection;
    bool m_answered = false;
};

// One clock per user and program folder. The clock holds a lock file in the
// user's runtime folder ($XDG_RUNTIME_DIR, else a private folder under the
// temp folder), named by a hash of the program folder's canonical path, and
// listens on a local socket beside it. A later start finds the lock held and
// hands its arguments over that socket instead of running a second clock,
// whose every action and reminder would happen twice. A lock whose holder
// died is taken over. No session bus is needed.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // runtimeDir: where the lock and the socket lie; empty for the user's runtime folder.
    explicit SingleInstance(const QString& programDir, const QString& runtimeDir = {},
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, waiting at most `wait` for its holder to end, and starts
    // answering later starts. False when another process holds it, or when it
    // cannot be made at all (then problem() says why).
    bool claim(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    bool isClaimed() const;
    // Why the lock could not be made (not: that another process holds it), or,
    // with the lock taken, why later starts cannot reach this one. Russian.
    QString problem() const { return m_problem; }

    // Keeps the lock but answers no later start: they then wait for the lock.
    // For a clock that is ending and has started the one that takes its place.
    void stopListening();
    // Stops listening and lets go of the lock (also done at destruction).
    void release();

    struct Answer
    {
        int status = 0;
        QString message;
    };
    enum class Delivery
    {
        Answered,     // the running clock answered
        NotDelivered, // nobody listens (none runs, or it is starting or ending)
        NoAnswer,     // it took the request but did not answer in time
    };
    // Hands arguments (empty: show the clock) to the process that listens and
    // waits at most `timeout` for its answer. Blocks; needs no event loop.
    Delivery handOver(const QStringList& arguments, std::chrono::milliseconds timeout,
                      Answer& answer) const;

    // What a start does, all in one: become the folder's clock, or hand the
    // arguments to the clock that runs and end with its answer.
    struct Decision
    {
        enum Kind
        {
            Run,        // this process holds the lock: it is the clock
            HandedOver, // the running clock answered; end with answer.status
            NoAnswer,   // a clock holds the lock but answered nobody
            Unguarded,  // the lock cannot be made: run, but unguarded (problem())
        } kind = Run;
        Answer answer;
    };
    // takeOver: the restart of a closing clock, which waits up to takeOverWait
    // for that clock to end, and shows it should it not end after all.
    Decision start(const QStringList& arguments, bool takeOver = false);

    void setTakeOverWait(std::chrono::milliseconds wait) { m_takeOverWait = wait; }
    void setAnswerWait(std::chrono::milliseconds wait) { m_answerWait = wait; }

    // The process that holds the folder's lock now, or 0 when none does.
    qint64 holderPid() const;

    QString lockPath() const;
    QString socketPath() const;
    // The name both files share: "zentari-" and 16 hex digits of the hash.
    static QString keyFor(const QString& programDir);

Q_SIGNALS:
    void requestReceived(zentari::InstanceRequest* request);

private:
    void listen();
    void accept();
    void read(InstanceConnection* connection);

    QString m_dir; // with a trailing separator; empty when there is no runtime folder
    QString m_key;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    int m_listener = -1; // the listening socket's descriptor
    QSocketNotifier* m_listenerNotifier = nullptr;
    std::chrono::milliseconds m_takeOverWait{10000};
    std::chrono::milliseconds m_answerWait{15000};
};

} // namespace zentari
