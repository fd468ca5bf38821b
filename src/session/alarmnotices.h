#pragma once

#include "platform/notifications.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

namespace zentari {

// The desktop notifications that stand beside a reminder's window and a
// ringing alarm: their buttons do what the window's menu or the clock's menu
// would, and each goes when what it tells of ends (and the reverse: the user
// dismissing one closes the window or stops the sound). The server is asked
// everything asynchronously; without one, or with the option off, nothing is
// posted and the windows and menus work alone.
class AlarmNotices
{
public:
    struct Links
    {
        // The option "Notifications", read at each reminder and sound.
        std::function<bool()> enabled;
        // The reminder's window: put off by "SnoozeMinutes", closed, brought up.
        std::function<void()> snoozeReminder;
        std::function<void()> closeReminder;
        std::function<void()> raiseReminder;
        // The alarm's sound: put off, stopped.
        std::function<void()> snoozeSound;
        std::function<void()> stopSound;
    };

    // Action keys of the buttons.
    static inline const QString kSnooze = QStringLiteral("snooze");
    static inline const QString kClose = QStringLiteral("close");
    static inline const QString kStop = QStringLiteral("stop");
    static inline const QString kDefault = QStringLiteral("default");

    AlarmNotices(Notifications* notifications, Links links);
    // Whatever is still shown goes: its buttons would reach nothing.
    ~AlarmNotices();
    AlarmNotices(const AlarmNotices&) = delete;
    AlarmNotices& operator=(const AlarmNotices&) = delete;

    // A reminder's window is about to open with this title and text.
    void reminderShown(const QString& title, const QString& text);
    // Its window has closed, however it was closed.
    void reminderEnded();
    // An alarm's sound started ringing this file; one still shown is replaced.
    void soundStarted(const QString& file);
    // The alarm's sound has stopped; harmless when none was told of.
    void soundEnded();

    // The first lines of a reminder's text, as the body shows them.
    static QString excerpt(const QString& text);

private:
    // One notification's life: from being asked for until it is withdrawn.
    struct Slot
    {
        quint32 id = 0;      // as the server told it; 0 while unknown or gone
        quint64 round = 0;   // which posting the answers on their way belong to
        bool wanted = false; // what it tells of still goes on
        bool acted = false;  // one of its buttons was chosen
    };
    void post(Slot& slot, Notification note);
    void withdraw(Slot& slot);
    void onAction(quint32 id, const QString& key);
    void onClosed(quint32 id, quint32 reason);
    static void call(const std::function<void()>& f)
    {
        if (f)
            f();
    }

    QPointer<Notifications> m_notifications;
    Links m_links;
    // Answers and signals are taken only while this lives.
    std::unique_ptr<QObject> m_context;
    Slot m_reminder;
    Slot m_sound;
};

} // namespace zentari
