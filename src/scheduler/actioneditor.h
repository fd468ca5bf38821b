#pragma once

#include "platform/errorreport.h"
#include "platform/services.h"
#include "scheduler/actionediting.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

class QComboBox;
class QDateEdit;
class QFileDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;
class QToolButton;

namespace zentari {

class BitmapButton;
class TForm8;

// TForm4: the action editor ("Настройка будильника"): lists the scheduled
// actions and adds, changes and deletes them, writing each change straight
// to the list files and conf.ini. Its Timer1 mirrors the clock's time into
// the editors once the clock's start-up timer switches it on.
class TForm4 : public QDialog
{
    Q_OBJECT
public:
    TForm4(QString programDir, const Services& services, ErrorReport& report,
           std::function<QString()> clockTime, QWidget* parent = nullptr);
    ~TForm4() override;

    // The periodicity dialog this editor opens and reads at save time.
    void setPeriodicityDialog(TForm8* dialog);
    TForm8* Form8 = nullptr;
    // The reminder editor's clock label, mirrored with Label3 while that window exists.
    QPointer<QLabel> reminderClockLabel;
    // Runs after every write to the store, so that the clock's copies of the
    // lists follow at once.
    std::function<void()> onStoreChanged;

    // --- state the periodicity dialog and the store's append read
    int periodicityCode = 1;
    bool periodicityChosen = false;
    bool editing = false;

    QListWidget* ListBox1 = nullptr;
    QLabel* Label3 = nullptr;       // the clock's time, mirrored
    QPushButton* BitBtn3 = nullptr; // "Выбрать периодичность"
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr; // the weekday line
    QTimeEdit* DateTimePicker1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // OK
    QToolButton* BitBtn2 = nullptr;      // cancel
    QDateEdit* DateTimePicker2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "Обзор"
    BitmapButton* Button4 = nullptr; // add
    BitmapButton* Button3 = nullptr; // change
    BitmapButton* Button2 = nullptr; // delete
    BitmapButton* Button1 = nullptr; // leave
    QLabel* Label6 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Image1 = nullptr; // the background, stretched
    QTimer* Timer1 = nullptr;
    bool hover = false;

    // --- handlers
    void FormCreate();
    void FormActivate();
    void FormClose();
    void ListBox1Click();
    void Button4Click();
    void Button3Click();
    void Button2Click();
    void Button1Click();
    void Label6MouseUp() { Button4Click(); }
    void Label4MouseUp() { Button3Click(); }
    void Label5MouseUp() { Button2Click(); }
    void Label7MouseUp() { Button1Click(); }
    void SpeedButton1Click();
    void BitBtn2Click();
    void BitBtn1Click();
    void BitBtn3Click();
    void ComboBox1Change();
    void Button1MouseMove() { pictureButtonHover(Button1); }
    void Button2MouseMove() { pictureButtonHover(Button2); }
    void Button3MouseMove() { pictureButtonHover(Button3); }
    void Button4MouseMove() { pictureButtonHover(Button4); }
    void Image1MouseMove();
    void Button1MouseDown() { pictureButtonPressed(Button1); }
    void Button2MouseDown() { pictureButtonPressed(Button2); }
    void Button3MouseDown() { pictureButtonPressed(Button3); }
    void Button4MouseDown() { pictureButtonPressed(Button4); }
    void Label4MouseDown() { pictureButtonPressed(Button3); }
    void Label5MouseDown() { pictureButtonPressed(Button2); }
    void Label6MouseDown() { pictureButtonPressed(Button4); }
    void Label7MouseDown() { pictureButtonPressed(Button1); }
    void Timer1Timer();

    // The values now in the type chooser, path box and pickers.
    ActionFields fields() const;
    // What the periodicity dialog would hand over now.
    PeriodicityChoice periodicityChoice() const;
    // Replaces the file dialog (tests): returns the chosen file, or the null
    // text when the user cancelled.
    std::function<QString(const QStringList& filters)> chooseFile;
    // How "Обзор" sets up its file dialog: the filters, starting in startFolder
    // (the home folder when it is empty or gone).
    static void prepareFileDialog(QFileDialog& dialog, const QStringList& filters,
                                  const QString& startFolder);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void loadSelected(int position);
    void setFields(const ActionFields& f);
    void enterEditing();
    void leaveEditing();
    void showFileControls(bool shown);
    void refillList();
    void storeChanged();
    void errorBeep();
    // The four picture buttons, the first at (left, top), with their captions.
    void makePictureButtons(int left, int top);
    void pictureButtonHover(BitmapButton* button);
    void pictureButtonPressed(BitmapButton* button);
    // The picture button that a caption stands for.
    BitmapButton* buttonUnder(const QObject* caption) const;
    QImage buttonPicture(int index) const;
    QString askForFile(const QStringList& filters);
    // Activations that come from the editor's own dialogs (periodicity, file,
    // message boxes) must not reload over the values being edited.
    template <typename F> void withoutRefresh(F&& f);

    QString m_programDir;
    Services m_services;
    ErrorReport& m_report;
    std::function<QString()> m_clockTime;
    ActionEditing m_store;
    int m_ownDialogs = 0;
    bool m_initErrorShown = false;
    bool m_loadedOnShow = false; // the activation that follows showing need not load again
    QString m_browseFolder; // where the file dialog was left: the next "Обзор" opens there
};

} // namespace zentari
