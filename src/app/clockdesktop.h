#pragma once

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace zentari {

class ClockTrayIcon;
class NotificationArea;
class TTrayIcon;
class WindowSystem;

// The clock's place on the desktop beyond its own window: the tray icon, the
// popup menu it shares with the window, and the template submenu. It only says
// what the user asked for; the clock window decides what that means.
class ClockDesktop : public QObject
{
    Q_OBJECT
public:
    // The menu is the clock window's child; trayArea replaces the desktop's
    // notification area (tests without a tray), windows may be null.
    ClockDesktop(QWidget* clockWindow, QString programDir, WindowSystem* windows,
                 NotificationArea* trayArea = nullptr);
    ~ClockDesktop() override;

    QMenu* PopupMenu1 = nullptr;
    QAction* SendToTray1 = nullptr;
    QAction* Configure = nullptr;
    QAction* N6 = nullptr;
    QAction* N1 = nullptr; // "Остановить звук"
    QAction* SnoozeSound = nullptr; // "Отложить сигнал на N минут", only while an alarm rings
    QAction* N3 = nullptr; // "Прекратить выход из системы"
    QMenu* N11 = nullptr;  // "Шаблоны..."
    QMenu* N8 = nullptr;   // "Выключить компьютер..."
    QAction* N7 = nullptr;
    QAction* N5 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;

    // The eleven template items and the item names they stand for.
    const QHash<QAction*, QString>& templateItems() const { return m_templateItems; }
    // What the template item for itemName reads, without accelerator marks
    // (null when there is no such item).
    QString templateCaption(QStringView itemName) const;
    bool trayAvailable() const;

    // The snooze item shows while an alarm's sound plays, naming its minutes.
    void showSnoozeSound(bool available, int minutes);
    static QString snoozeCaption(int minutes);

    // What is put off, one submenu each after the sound items, each with its
    // "Отменить" (enabled or not, as cancelAllowed says).
    void showSnoozed(const QStringList& captions, bool cancelAllowed);
    // "Отложено: Врач — 10:40:00", with the date after the time when it is not today.
    static QString snoozedCaption(const QString& name, const QDateTime& due, QDate today);
    // The submenus as now listed.
    const QList<QMenu*>& snoozedMenus() const { return m_snoozed; }

    // The first item names the way back, whichever way that is.
    void showSendToTrayCaption(bool inTray);
    // Puts the icon in the tray and hides the clock window there; says so in
    // words when the desktop has no tray to put it in.
    void sendToTray();
    // Takes the icon out of the tray and shows the clock window again.
    void restoreFromTray();
    // After the icon minimised or restored the window: the icon's presence and
    // the first item's picture follow. The pictures throw when missing.
    void showMinimized();
    void showRestored();

    // Whether the clock is in the tray now; the clock window knows.
    std::function<bool()> inTray;
    // From now on the clock has no taskbar button while it is on the desktop.
    void leaveTaskbar();
    // Takes the button away again where a re-shown window got one back.
    void keepOutOfTaskbar();

Q_SIGNALS:
    void sendToTrayRequested();
    void settingsRequested();
    void clockSettingsRequested(); // conf, which needs the clock to end
    void stopSoundRequested();
    void snoozeSoundRequested();
    // "Отменить" under the index-th snooze listed.
    void snoozeCancelRequested(int index);
    void abortShutdownRequested();
    void templateChosen(const QString& itemName);
    void updateCheckRequested();
    void exitRequested();
    void menuAboutToShow();
    // The tray icon's own gestures.
    void trayMinimized();
    void trayRestored();
    void trayClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildPopupMenu(QWidget* clockWindow);
    void minimiseChanged(bool was, bool is);
    QIcon menuPicture(QStringView name) const;

    QWidget* m_window;
    WindowSystem* m_windows;
    QString m_programDir;
    bool m_skipTaskbar = false;
    QHash<QAction*, QString> m_templateItems;
    QAction* m_afterSound = nullptr; // the separator the snoozes come before (N2)
    QList<QMenu*> m_snoozed;
    std::unique_ptr<ClockTrayIcon> m_tray;
    NotificationArea* m_trayArea = nullptr; // the one the tray icon uses
};

} // namespace zentari
