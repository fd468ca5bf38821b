#include "startup.h"

#include "app/clockwindow.h"
#include "app/forms.h"
#include "core/paths.h"
#include "app/qttranslations.h"
#include "app/settingshost.h"
#include "platform/autostart.h"
#include "platform/desktopservices.h"
#include "platform/errorreport.h"
#include "platform/programicon.h"
#include "platform/sessionplatform.h"
#include "reminders/remindereditor.h"
#include "reminders/reminderwindow.h"
#include "scheduler/actioneditor.h"
#include "scheduler/actionstore.h"
#include "scheduler/periodicitydialog.h"
#include "windows/aboutbox.h"
#include "windows/passwordgate.h"
#include "windows/positionchooser.h"
#include "windows/settingswindow.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <memory>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace zentari {

int runZentari(int argc, char** argv)
{
    // The clock repaints a few hundred pixels once a second. Through shared
    // memory every repaint waits for the X server to confirm it (a round trip
    // and a thread hand-over); sent over the socket it costs less than that wait.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    const bool waylandOnly = session::preferX11OnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zentari"));
    // Every window, box and the tray icon carry it, not the desktop's generic one.
    QApplication::setWindowIcon(programIcon());
    // No display name: Qt would append it to every window title (" — Zentari"),
    // and the captions of the clock's boxes and windows are theirs alone.
    // The clock hides itself into the tray; only closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    installRussianQtTexts(app);

    DesktopServices desktop;
    const Services services = desktop.services();
    ErrorReport report(*services.messages);
    desktop.setNotice([&report](const QString& text) { report.reportOnce(text); });
    if (waylandOnly) // told once the clock is up, not instead of it
        QTimer::singleShot(3000, [&report] { report.reportOnce(session::waylandLimitsNotice()); });

    Forms forms;
    SettingsClockHost settingsHost(forms);
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<TForm6> form6;
    std::unique_ptr<TForm7> form7;
    std::unique_ptr<TForm8> form8;
    std::unique_ptr<TForm9> form9;
    try {
        const QString programDir = paths::programDir();
        autostart::refreshIfStale(autostart::commandFor(paths::executableDir()));
        ActionStore::removeInterruptedWrites(programDir);
        form1 = std::make_unique<TForm1>(programDir, services, report, forms);
        forms.Form1 = form1.get();
        form2 = std::make_unique<TForm2>(programDir, services, report, forms, settingsHost);
        forms.Form2 = form2.get();
        form3 = std::make_unique<TForm3>(services);
        forms.Form3 = form3.get();
        form4 = std::make_unique<TForm4>(programDir, services, report,
                                         [&forms] { return forms.Form1->Label1->text(); });
        // An editor's change reaches the tick now, not at the clock's next activation.
        form4->onStoreChanged = [&forms] { forms.Form1->reloadActionLists(); };
        forms.Form4 = form4.get();
        form5 = std::make_unique<TForm5>(programDir, services, report);
        forms.Form5 = form5.get();
        form6 = std::make_unique<TForm6>();
        forms.Form6 = form6.get();
        form4->reminderClockLabel = form5->Label1;
        form7 = std::make_unique<TForm7>(form2->steps());
        forms.Form7 = form7.get();
        form8 = std::make_unique<TForm8>();
        forms.Form8 = form8.get();
        form4->setPeriodicityDialog(form8.get());
        form9 = std::make_unique<TForm9>(services);
        form9->setHost(form1.get());
        forms.Form9 = form9.get();

        form1->show();
        if (desktop.dryRun()) {
            // After the clock's own handler of its start-up timer: the pass
            // through the tray, the editors' clock, the exit permission. The
            // window system has seen the pass once sync() returns.
            QObject::connect(form1->Timer2, &QTimer::timeout, form1.get(), [&desktop] {
                QTimer::singleShot(0, [&desktop] {
                    QGuiApplication::sync();
                    desktop.recordReady();
                });
            });
        }
#ifdef __GLIBC__
        // Loading the stores leaves megabytes of freed buffers behind (large
        // ones with many actions and reminders); the clock then idles for hours.
        QTimer::singleShot(3000, [] { ::malloc_trim(0); });
#endif
        QApplication::exec();
        form1->FormDestroy();
    } catch (const std::exception& e) {
        report.reportException(e);
    }
    return 0;
}

} // namespace zentari
