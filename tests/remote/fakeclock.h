#pragma once

#include "remote/dbustypes.h"

#include <QDBusContext>
#include <QObject>

// What the clock's session object offers the D-Bus adaptor made from
// org.zentari.Zentari1.xml, answering from lists of its own: a refusal is a
// D-Bus error carrying the Russian message, as the clock's will be.
class FakeClock : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    QList<zentari::remote::ActionEntry> actions;
    QList<zentari::remote::ReminderEntry> reminders;
    QStringList calls; // every call, with its arguments, in order

    QList<zentari::remote::ActionEntry> ListActions();
    QString AddAction(int type, const QString& path, const QString& date, const QString& time,
                      int periodicity, const QList<int>& weekdays);
    void RemoveAction(const QString& id);
    QList<zentari::remote::ReminderEntry> ListReminders();
    QString AddReminder(const QString& title, const QString& text, const QString& date,
                        const QString& time);
    void RemoveReminder(const QString& id);
    QString StartTemplate(int minutes);
    bool AbortShutdown();
    void StopSound();
    void ShowClock();
    bool ShowSettings();
    bool Quit();
    void ReloadOptions();

Q_SIGNALS:
    void ActionPerformed(const QString& id, int type);
    void ReminderShown(const QString& id, const QString& title);
    void ListsChanged();
};
