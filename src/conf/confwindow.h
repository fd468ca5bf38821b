#pragma once

#include "conf/clockstart.h"
#include "conf/confform.h"
#include "conf/confoptions.h"
#include "conf/protection.h"
#include "platform/services.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zentari::conf {

// "Особые настройки часов": every option of conf.ini in plain Russian, the
// password protection and the autostart entry; saving or cancelling starts
// the clock again (its menu item closed it to start this window), or, when
// one runs for the folder, has it re-read its border, position and picture.
class ConfWindow : public QWidget
{
    Q_OBJECT
public:
    struct Context
    {
        QString programDir;    // conf.ini, data/ and the clock's executable "Zentari"
        QString executableDir; // where this program and the real clock lie
        QString machineStore;  // the per-machine protection store
        // The installed conf that polkit lets pkexec run as root; empty for a
        // portable build, which then only explains how protection is set.
        QString privilegedWriter;
        ShellLauncher* shell = nullptr;
        MessageBoxes* messages = nullptr;
        MediaPlayer* player = nullptr;
        PrivilegedRunner* runner = nullptr;
        // Whether this user can write the store without an administrator.
        std::function<bool(const QString& storePath)> storeWritable = canWriteStore;
        // Reaches the folder's running clock (handOverTo).
        HandOver handOver;
    };

    explicit ConfWindow(Context context, QWidget* parent = nullptr);
    ~ConfWindow() override;

    // "Сохранить и запустить часы"; false when something could not be written
    // (the user was told why and the window stays).
    bool saveAndStart();
    // "Отмена": the clock starts again (or is told to reload), nothing is written.
    void cancelAndStart();

    // The editor and the "Сбросить" button of one option (for tests).
    QWidget* editorOf(QStringView key) const;
    QPushButton* resetOf(QStringView key) const;
    QCheckBox* autostartBox() const { return m_autostart; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row
    {
        QWidget* editor = nullptr;
        QPushButton* reset = nullptr;
        QLabel* problem = nullptr;
        std::function<void(const QString&)> show;
    };

    QWidget* makeGroup(Group group);
    QWidget* makeEditor(const Option& option, Row& row);
    QWidget* makeProtectionPage();
    void edited(const Option& option, const QString& value);
    void resetClicked(const Option& option);
    void updatePreview(const QString& value);
    void refreshProtection();
    void writeProtection();
    void protectionWritten(const QString& error);
    void startClock();

    Context m_context;
    ConfigFile m_file;
    ConfForm m_form;
    QHash<const Option*, Row> m_rows;
    bool m_filling = false;
    bool m_started = false;
    QLabel* m_preview = nullptr;
    QLabel* m_protectionState = nullptr;
    QCheckBox* m_protectionOn = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_passwordAgain = nullptr;
    QPushButton* m_writeProtection = nullptr;
    QCheckBox* m_autostart = nullptr;
};

// The window's program: its own application object, the desktop's services.
int runWindow(int argc, char** argv);

} // namespace zentari::conf
