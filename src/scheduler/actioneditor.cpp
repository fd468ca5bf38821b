#include "actioneditor.h"

#include "core/conversions.h"
#include "core/error.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/bitmapbutton.h"
#include "platform/currentrowclicks.h"
#include "platform/picture.h"
#include "scheduler/editorpictures.h"
#include "scheduler/periodicitydialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QToolButton>

namespace zentari {
namespace {

constexpr int kWidth = 488;
constexpr int kHeight = 376;
constexpr int kPaneLeft = 208; // the right-hand pane, beside the list
constexpr int kPaneWidth = 272;

bool fileExists(const QString& path)
{
    return QFileInfo::exists(path);
}

} // namespace

TForm4::TForm4(QString programDir, const Services& services, ErrorReport& report,
               std::function<QString()> clockTime, QWidget* parent)
    : QDialog(parent), m_programDir(std::move(programDir)), m_services(services), m_report(report),
      m_clockTime(std::move(clockTime)), m_store(m_programDir)
{
    setWindowTitle(QStringLiteral("Настройка будильника"));
    setFixedSize(kWidth, kHeight);
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setGeometry(rect());
    Image1->setPixmap(QPixmap::fromImage(editorpictures::background(size())));
    Image1->setScaledContents(true);
    Image1->setMouseTracking(true);

    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(0, 0, 200, kHeight);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setAccessibleName(QStringLiteral("Действия"));

    Label3 = new QLabel(this);
    QFont clockFont = Label3->font();
    clockFont.setBold(true);
    clockFont.setPointSizeF(clockFont.pointSizeF() * 1.4);
    Label3->setFont(clockFont);
    Label3->setGeometry(kPaneLeft, 4, kPaneWidth, 24);
    Label3->setAlignment(Qt::AlignCenter);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(kPaneLeft, 32, kPaneWidth, 28);
    ComboBox1->setIconSize(QSize(20, 20));
    const QStringList captions = actionediting::typeCaptions();
    for (int type = 0; type < captions.size(); ++type)
        ComboBox1->addItem(editorpictures::typeIcon(type), captions[type]);
    ComboBox1->setPlaceholderText(QStringLiteral("Здесь выберите действие"));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setAccessibleName(QStringLiteral("Действие"));

    Edit1 = new QLineEdit(QStringLiteral("Путь до файла"), this);
    Edit1->setGeometry(kPaneLeft, 66, kPaneWidth - 92, 28);
    Edit1->setReadOnly(true);
    Edit1->setAccessibleName(QStringLiteral("Путь до файла"));
    BitBtn1 = new QPushButton(editorpictures::browseIcon(), QStringLiteral("Обзор"), this);
    BitBtn1->setGeometry(kPaneLeft + kPaneWidth - 86, 66, 86, 28);
    BitBtn1->setToolTip(QStringLiteral("Здесь можно указать путь до файла"));

    DateTimePicker1 = new QTimeEdit(this);
    DateTimePicker1->setDisplayFormat(timetext::kTimeFormat.toString());
    DateTimePicker1->setGeometry(kPaneLeft, 100, 110, 28);
    DateTimePicker1->setTime(QTime(22, 56));
    DateTimePicker1->setToolTip(
        QStringLiteral("Выберите время когда будет выполняться даное действие"));
    DateTimePicker1->setAccessibleName(QStringLiteral("Время"));
    DateTimePicker2 = new QDateEdit(this);
    DateTimePicker2->setDisplayFormat(timetext::kDateFormat.toString());
    DateTimePicker2->setCalendarPopup(true);
    DateTimePicker2->setGeometry(kPaneLeft + 118, 100, kPaneWidth - 118, 28);
    DateTimePicker2->setDate(QDate(2004, 5, 30));
    DateTimePicker2->setAccessibleName(QStringLiteral("Дата"));

    BitBtn3 = new QPushButton(editorpictures::periodicityIcon(),
                              QStringLiteral("Выбрать периодичность"), this);
    BitBtn3->setGeometry(kPaneLeft, 136, kPaneWidth - 76, 30);
    BitBtn3->setToolTip(
        QStringLiteral("Здесь можно выбрать с какой периодичностью будет выполняться действие"));
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setIcon(editorpictures::okIcon());
    SpeedButton1->setIconSize(QSize(20, 20));
    SpeedButton1->setGeometry(kPaneLeft + kPaneWidth - 70, 136, 32, 30);
    SpeedButton1->setToolTip(QStringLiteral("ОК"));
    SpeedButton1->setAccessibleName(QStringLiteral("ОК"));
    BitBtn2 = new QToolButton(this);
    BitBtn2->setIcon(editorpictures::cancelIcon());
    BitBtn2->setIconSize(QSize(20, 20));
    BitBtn2->setGeometry(kPaneLeft + kPaneWidth - 32, 136, 32, 30);
    BitBtn2->setToolTip(QStringLiteral("Отмена"));
    BitBtn2->setAccessibleName(QStringLiteral("Отмена"));

    const QString daysHint = QStringLiteral("Действие будет выполняться только в эти дни");
    Label2 = new QLabel(QStringLiteral("Выполняется :"), this);
    Label2->setGeometry(kPaneLeft, 172, kPaneWidth, 18);
    Label2->setToolTip(daysHint);
    Label1 = new QLabel(QStringLiteral("Пон, Вт, Ср, Чет, Пят, Суб, Воскр"), this);
    Label1->setGeometry(kPaneLeft, 190, kPaneWidth, 18);
    Label1->setToolTip(daysHint);

    // Four pictures 160 x 36 stacked under the controls, centred in the pane.
    makePictureButtons(kPaneLeft + (kPaneWidth - 160) / 2, 214);
    // Enter in a picker must not press "Обзор" or "Выбрать периодичность".
    BitBtn1->setAutoDefault(false);
    BitBtn3->setAutoDefault(false);

    // Browse mode.
    BitBtn3->hide();
    SpeedButton1->hide();
    BitBtn2->hide();
    BitBtn1->hide();
    ComboBox1->setEnabled(false);
    Edit1->setEnabled(false);
    DateTimePicker1->setEnabled(false);
    DateTimePicker2->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { m_report.guard([this] { Timer1Timer(); }); });

    connect(ListBox1, &QListWidget::currentRowChanged, this,
            [this] { m_report.guard([this] { ListBox1Click(); }); });
    connect(new CurrentRowClicks(ListBox1), &CurrentRowClicks::clicked, this,
            [this] { m_report.guard([this] { ListBox1Click(); }); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { m_report.guard([this] { ComboBox1Change(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { m_report.guard([this] { SpeedButton1Click(); }); });
    connect(BitBtn2, &QToolButton::clicked, this,
            [this] { m_report.guard([this] { BitBtn2Click(); }); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { m_report.guard([this] { BitBtn1Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this,
            [this] { m_report.guard([this] { BitBtn3Click(); }); });

    m_report.guard([this] { FormCreate(); });
}

TForm4::~TForm4() = default;

void TForm4::setPeriodicityDialog(TForm8* dialog)
{
    Form8 = dialog;
    if (dialog)
        dialog->Form4 = this;
}

// ---------------------------------------------------------------- life cycle

template <typename F> void TForm4::withoutRefresh(F&& f)
{
    ++m_ownDialogs;
    try {
        f();
    } catch (...) {
        --m_ownDialogs;
        throw;
    }
    // The activation that the closing dialog hands back arrives after this
    // returns, once the window manager has moved the focus: give it time.
    QTimer::singleShot(300, this, [this] { --m_ownDialogs; });
}

void TForm4::FormActivate()
{
    try {
        m_store.openStore();
        if (!m_store.configOpen())
            throw Error(QStringLiteral("conf.ini"));
    } catch (const std::exception&) {
        // Once per opening: closing the box activates the editor again, and a
        // store that cannot be opened would otherwise answer with the box for ever.
        if (!m_initErrorShown) {
            m_initErrorShown = true;
            withoutRefresh([this] {
                m_services.messages->show(
                    QStringLiteral("ВНИМАНИЕ!! ПРОИЗОШЛА ОШИБКА ИНИЦИАЛИЗАЦИИ!"),
                    QStringLiteral("Ошибка!"), MessageIcon::Warning);
            });
        }
    }
    // A missing file or a bad line ends the loading quietly; what came before stays.
    try {
        m_store.loadAll();
    } catch (const std::exception&) {
    }
    if (const QString notice = m_store.takeNotice(); !notice.isEmpty())
        withoutRefresh([&] { m_report.reportOnce(notice); });
    refillList();
    try {
        if (ListBox1->count() == 0)
            return;
        {
            const QSignalBlocker quiet(ListBox1);
            ListBox1->setCurrentRow(0);
        }
        loadSelected(0);
    } catch (const std::exception&) {
    }
}

void TForm4::FormClose()
{
    // Whatever was being edited is dropped, as cancel drops it: the next
    // opening starts from the store.
    if (editing)
        BitBtn2Click();
    m_store.release();
    m_initErrorShown = false;
}

bool TForm4::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && m_ownDialogs == 0 && !editing && isVisible()) {
        if (m_loadedOnShow)
            m_loadedOnShow = false;
        else
            m_report.guard([this] { FormActivate(); });
    }
    return QDialog::event(e);
}

void TForm4::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    // Loaded on showing, not only on activation: a window manager that keeps
    // new windows from taking the focus would otherwise leave the list empty.
    if (!editing) {
        m_report.guard([this] { FormActivate(); });
        m_loadedOnShow = true;
    }
}

void TForm4::done(int result)
{
    m_report.guard([this] { FormClose(); });
    QDialog::done(result);
}

// ---------------------------------------------------------------- the list

void TForm4::refillList()
{
    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    ListBox1->addItems(m_store.records().column(&ActionRecord::path));
    ListBox1->setCurrentRow(-1);
}

void TForm4::loadSelected(int position)
{
    // Control by control, so that a list out of step keeps what was set before it.
    const RecordList<ActionRecord>& r = m_store.records();
    ComboBox1->setCurrentIndex(conv::strToInt(r.line(position, &ActionRecord::action)));
    Edit1->setText(r.line(position, &ActionRecord::path));
    DateTimePicker1->setTime(timetext::strToTime(r.line(position, &ActionRecord::time)));
    DateTimePicker2->setDate(timetext::strToDate(r.line(position, &ActionRecord::date)));
}

void TForm4::ListBox1Click()
{
    const int position = ListBox1->currentRow();
    if (position < 0)
        return;
    loadSelected(position);
    Label1->clear();
    Label1->setText(m_store.weekdayLineAt(position));
}

// ---------------------------------------------------------------- modes

void TForm4::showFileControls(bool shown)
{
    Edit1->setVisible(shown);
    BitBtn1->setVisible(shown);
}

void TForm4::enterEditing()
{
    for (QWidget* w : std::initializer_list<QWidget*>{Label4, Label5, Label6, Label7, Button1,
                                                      Button2, Button3, Button4})
        w->hide();
    SpeedButton1->show();
    BitBtn2->show();
    BitBtn3->show();
    ComboBox1->setEnabled(true);
    Edit1->setEnabled(true);
    DateTimePicker1->setEnabled(true);
    DateTimePicker2->setEnabled(true);
    Label1->clear();
    if (actionediting::isFileType(ComboBox1->currentIndex())) {
        Edit1->show();
        Edit1->setEnabled(true);
        BitBtn1->show();
    } else {
        BitBtn1->hide();
        Edit1->setEnabled(false);
    }
    editing = true;
    ComboBox1->setFocus();
}

void TForm4::leaveEditing()
{
    for (QWidget* w : std::initializer_list<QWidget*>{Label4, Label5, Label6, Label7, Button1,
                                                      Button2, Button3, Button4})
        w->show();
    ComboBox1->setEnabled(false);
    Edit1->setEnabled(false);
    BitBtn3->hide();
    SpeedButton1->hide();
    BitBtn1->hide();
    BitBtn2->hide();
    DateTimePicker1->setEnabled(false);
    DateTimePicker2->setEnabled(false);
    editing = false;
}

void TForm4::Button4Click()
{
    m_store.cancelChange();
    enterEditing();
}

void TForm4::Button3Click()
{
    enterEditing();
    const int position = ListBox1->currentRow();
    if (position < 0) {
        m_store.cancelChange();
        errorBeep();
        return;
    }
    // The old action stays in the store until OK saves the new values.
    m_store.beginChange(position);
    // Its periodicity and weekdays count as chosen, so that OK keeps them
    // unless the user changes them in the dialog, which now shows them.
    if (m_store.changing()) {
        const PeriodicityChoice stored = m_store.periodicityAt(position);
        periodicityCode = stored.code;
        if (Form8)
            Form8->showChoice(stored.code, stored.days);
    }
    const QSignalBlocker quiet(ListBox1);
    ListBox1->setCurrentRow(-1);
}

void TForm4::Button2Click()
{
    const int position = ListBox1->currentRow();
    if (position < 0) {
        errorBeep();
        return;
    }
    bool removed = false;
    try {
        removed = m_store.removeAt(position);
    } catch (const RefusedError& e) {
        // Not a slip of the user's: the store says why it will not write.
        refillList();
        withoutRefresh([&] {
            m_services.messages->show(e.message(), QStringLiteral("Настройка будильника"),
                                      MessageIcon::Warning);
        });
        return;
    } catch (const std::exception&) {
    }
    refillList();
    if (removed)
        storeChanged();
    else
        errorBeep();
}

void TForm4::Button1Click()
{
    close();
}

void TForm4::ComboBox1Change()
{
    if (!editing)
        return;
    const int type = ComboBox1->currentIndex();
    if (actionediting::isFileType(type)) {
        showFileControls(true);
        Edit1->setEnabled(true);
        Edit1->setText(QStringLiteral("Выберите файл!!!!"));
    } else {
        showFileControls(false);
        Edit1->setText(actionediting::pathLabel(type));
    }
}

void TForm4::SpeedButton1Click()
{
    const ActionFields f = fields();
    const QString problem = actionediting::fieldsProblem(f, fileExists);
    if (!problem.isEmpty()) {
        withoutRefresh([&] {
            m_services.messages->show(problem, QStringLiteral("Настройка будильника"),
                                      MessageIcon::Warning);
        });
        return;
    }
    try {
        m_store.save(f, periodicityChoice(), fileExists);
    } catch (...) {
        // Still editing: the values are not lost to a full disk.
        refillList();
        throw;
    }
    {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(-1);
    }
    leaveEditing();
    refillList();
    storeChanged();
}

void TForm4::BitBtn2Click()
{
    leaveEditing();
    m_store.cancelChange();
}

void TForm4::prepareFileDialog(QFileDialog& dialog, const QStringList& filters,
                               const QString& startFolder)
{
    // Qt's own dialog: the captions keep their Windows-style patterns while the
    // hidden details carry the patterns that match here, upper case included.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    const QDir start(startFolder);
    dialog.setDirectory(!startFolder.isEmpty() && start.exists() ? start : QDir::home());
}

QString TForm4::askForFile(const QStringList& filters)
{
    if (chooseFile)
        return chooseFile(filters);
    QFileDialog dialog(this, QStringLiteral("Открыть"));
    // The user's files are in the home folder, not beside the program's own.
    prepareFileDialog(dialog, filters, m_browseFolder);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    // Where the user was, chosen or cancelled: the next "Обзор" opens there.
    m_browseFolder = dialog.directory().absolutePath();
    return chosen ? dialog.selectedFiles().constFirst() : QString();
}

void TForm4::BitBtn1Click()
{
    const QStringList filters = actionediting::fileFilters(ComboBox1->currentIndex());
    QString file;
    withoutRefresh([&] { file = askForFile(filters); });
    // A cancelled dialog leaves the path as it was.
    if (!file.isEmpty())
        Edit1->setText(QDir::toNativeSeparators(file));
}

void TForm4::BitBtn3Click()
{
    if (!Form8)
        return;
    withoutRefresh([this] { Form8->exec(); });
    periodicityChosen = true;
}

// ---------------------------------------------------------------- values

ActionFields TForm4::fields() const
{
    ActionFields f;
    f.typeCode = ComboBox1->currentIndex();
    f.pathText = Edit1->text();
    f.time = DateTimePicker1->time();
    f.date = DateTimePicker2->date();
    return f;
}

PeriodicityChoice TForm4::periodicityChoice() const
{
    PeriodicityChoice c;
    c.code = periodicityCode;
    // A change starts from the action's own periodicity; an add from the dialog's last use.
    c.chosen = periodicityChosen || m_store.changing();
    if (Form8)
        c.days = Form8->checkedDays();
    return c;
}

void TForm4::storeChanged()
{
    if (onStoreChanged)
        onStoreChanged();
}

void TForm4::errorBeep()
{
    m_services.beeper->beep(1000, 1000);
}

// ---------------------------------------------------------------- clock mirror

void TForm4::Timer1Timer()
{
    if (!m_clockTime)
        return;
    const QString time = m_clockTime();
    Label3->setText(time);
    if (reminderClockLabel)
        reminderClockLabel->setText(time);
}

} // namespace zentari
