#include "remindereditor.h"

#include "core/error.h"
#include "core/paths.h"
#include "core/timetext.h"
#include "platform/currentrowclicks.h"
#include "platform/errorreport.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTimeEdit>
#include <QtMath>
#include <cmath>

namespace zentari {
namespace {

// The decorative picture under the clock's time and the fields: a night-blue
// board with a soft glow and the rings of a clock face, quiet enough for the
// fields and buttons that lie on it.
class NotePicture : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        QLinearGradient board(r.topLeft(), r.bottomRight());
        board.setColorAt(0, QColor(0x2b, 0x4f, 0x8a));
        board.setColorAt(1, QColor(0x10, 0x1e, 0x3c));
        p.fillRect(r, board);
        QRadialGradient glow(QPointF(r.width() * 0.45, r.height() * 0.05), r.width() * 0.7);
        glow.setColorAt(0, QColor(0x7f, 0xb8, 0xff, 90));
        glow.setColorAt(1, QColor(0x7f, 0xb8, 0xff, 0));
        p.fillRect(r, glow);
        const QPointF centre(r.width() * 0.78, r.height() * 0.82);
        for (int ring = 0; ring < 3; ++ring) {
            p.setPen(QPen(QColor(0xff, 0xff, 0xff, 26 - ring * 6), 2));
            const qreal radius = r.width() * (0.22 + ring * 0.14);
            p.drawEllipse(centre, radius, radius);
        }
        p.setPen(QPen(QColor(0xff, 0xff, 0xff, 40), 3, Qt::SolidLine, Qt::RoundCap));
        for (int hour = 0; hour < 12; ++hour) {
            const qreal a = qDegreesToRadians(hour * 30.0);
            const qreal inner = r.width() * 0.18, outer = r.width() * 0.21;
            p.drawLine(centre + QPointF(std::sin(a) * inner, -std::cos(a) * inner),
                       centre + QPointF(std::sin(a) * outer, -std::cos(a) * outer));
        }
    }
};

QFont fontOf(const QString& family, int pixels, bool italic = false)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setItalic(italic);
    return f;
}

} // namespace

TForm5::TForm5(ReminderStore& store, QString programDir, const Services& services,
               ErrorReport& report, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_programDir(std::move(programDir)), m_services(services), m_report(report), m_store(store)
{
    setWindowTitle(QStringLiteral("Редактор сообщений"));
    setFixedSize(619, 456);

    m_titles = new QStringListModel(QStringList{QStringLiteral("1")}, this);
    ListBox1 = new QListView(this);
    // A line that goes takes the selection with it. Qt would move it to the next
    // line while the fields still show the reminder that went, and a second
    // delete would remove a reminder the user never saw. Connected before the
    // view's selection model is made, so that it runs before Qt moves the line.
    connect(m_titles, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                const int row = selectedRow();
                if (row >= first && row <= last) {
                    const QSignalBlocker quiet(ListBox1->selectionModel());
                    ListBox1->selectionModel()->clear();
                }
            });
    ListBox1->setModel(m_titles);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setGeometry(0, 0, 305, 456);
    ListBox1->setFont(fontOf(QStringLiteral("Arial"), 13, true));
    ListBox1->setToolTip(QStringLiteral("Выберите сообщение из списка"));
    ListBox1->setAccessibleName(QStringLiteral("Напоминания"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(312, 0, 305, 145);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setToolTip(QStringLiteral("Убери свой курсор!"));
    Memo1->setAccessibleName(QStringLiteral("Текст напоминания"));

    Image1 = new NotePicture(this);
    Image1->setGeometry(304, 144, 313, 313);
    Label1 = new QLabel(this);
    Label1->setGeometry(440, 152, 120, 24);
    Label1->setFont(fontOf(QStringLiteral("DejaVu Sans"), 16));
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);

    Edit4 = new QLineEdit(QStringLiteral("Заглавие"), this);
    Edit4->setGeometry(352, 185, 241, 24);
    Edit4->setToolTip(QStringLiteral("Название сообщения"));
    Edit4->setAccessibleName(Edit4->toolTip());
    DateTimePicker1 = new QTimeEdit(this);
    DateTimePicker1->setGeometry(352, 216, 113, 25);
    DateTimePicker1->setDisplayFormat(timetext::kTimeEditFormat.toString());
    DateTimePicker1->setToolTip(QStringLiteral("Выберите время появления сообщения"));
    DateTimePicker1->setAccessibleName(QStringLiteral("Время"));
    DateTimePicker2 = new QDateEdit(this);
    DateTimePicker2->setGeometry(480, 216, 113, 25);
    DateTimePicker2->setDisplayFormat(timetext::kDateEditFormat.toString());
    DateTimePicker2->setCalendarPopup(true);
    DateTimePicker2->setDate(QDate::currentDate());
    DateTimePicker2->setToolTip(QStringLiteral("Выберите день появления"));
    DateTimePicker2->setAccessibleName(QStringLiteral("Дата"));

    auto button = [this](const QString& text, const QString& hint, QRect place, QFont f) {
        auto* b = new QPushButton(text, this);
        b->setGeometry(place);
        b->setFont(f);
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    const QFont small = fontOf(QStringLiteral("Tahoma"), 9);
    const QFont large = fontOf(QStringLiteral("Comic Sans MS"), 16);
    Button5 = button(QStringLiteral("Принять изменения"), QStringLiteral("ОК"), {368, 248, 97, 17},
                     small);
    Button6 = button(QStringLiteral("Отменить измения"), QStringLiteral("Отмена"),
                     {480, 248, 97, 17}, small);
    Button4 = button(QStringLiteral("Добавить новую напоминалку"),
                     QStringLiteral("Добвить сообщение в базу"), {320, 328, 297, 32}, large);
    Button2 = button(QStringLiteral("Редактировать напоминалку"),
                     QStringLiteral("Открыть выбранное сообщение для редактирования"),
                     {320, 360, 297, 32}, large);
    Button3 =
        button(QStringLiteral("Удалить напоминалку"),
               QStringLiteral("Удалить выбранное сообщение из базы"), {320, 392, 297, 32}, large);
    Button1 = button(QStringLiteral("Сохранить и выйти"), QStringLiteral("На выход"),
                     {320, 424, 297, 32}, large);

    connect(ListBox1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ListBox1Click(); });
    connect(new CurrentRowClicks(ListBox1), &CurrentRowClicks::clicked, this,
            &TForm5::ListBox1Click);
    connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm5::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm5::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm5::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm5::Button6Click);

    setEditMode(false);
    FormCreate();
}

void TForm5::setEditMode(bool editing)
{
    for (QPushButton* b : {Button1, Button2, Button3, Button4})
        b->setVisible(!editing);
    Button5->setVisible(editing);
    Button6->setVisible(editing);
    Memo1->setReadOnly(!editing);
    Edit4->setEnabled(editing);
    DateTimePicker1->setEnabled(editing);
    DateTimePicker2->setEnabled(editing);
}

void TForm5::errorBeep()
{
    m_services.beeper->beep(1000, 1000);
}

void TForm5::inputError(const QString& text)
{
    m_services.messages->show(text, QStringLiteral("Ошибка!"), MessageIcon::Warning);
}

void TForm5::showReminder(int position)
{
    Memo1->clear();
    Memo1->setPlainText(ReminderStore::readText(m_store.textFileOf(position)));
    const Reminder r = m_store.at(position);
    DateTimePicker1->setTime(timetext::strToTime(r.timeText));
    DateTimePicker2->setDate(timetext::strToDate(r.dateText));
    Edit4->setText(r.title);
}

int TForm5::selectedRow() const
{
    return ListBox1->currentIndex().row();
}

void TForm5::selectRow(int row)
{
    ListBox1->setCurrentIndex(row < 0 ? QModelIndex() : m_titles->index(row));
}

QStringList TForm5::listedTitles() const
{
    return m_titles->stringList();
}

void TForm5::FormCreate()
{
    // The store was read at start; the window shows it as it is now.
    try {
        if (!m_store.loadedAtStart())
            throw Error(QStringLiteral("Напоминания не прочитаны."));
        const QSignalBlocker quiet(ListBox1->selectionModel());
        m_titles->setStringList(m_store.records().column(&Reminder::title));
        selectRow(0);
        if (m_store.count() == 0)
            throw Error(QStringLiteral("Напоминаний нет."));
        showReminder(0);
    } catch (const std::exception&) {
        // Whatever was loaded stays; the box shows the text that comes with the program.
        try {
            Memo1->setPlainText(ReminderStore::readText(
                paths::resolve(m_programDir, u"data\\messages\\сообщение.zdt")));
        } catch (const Error&) {
            Memo1->clear();
        }
    }
}

void TForm5::ListBox1Click()
{
    const int row = selectedRow();
    if (row < 0) {
        Memo1->clear();
        return;
    }
    if (row >= m_store.count())
        return;
    m_report.guard([this, row] { showReminder(row); });
}

void TForm5::Button4Click()
{
    setEditMode(true);
    try {
        DateTimePicker1->setTime(timetext::strToTime(Label1->text()));
    } catch (const ConvertError&) {
        DateTimePicker1->setTime(m_services.clock ? m_services.clock->now().time()
                                                  : QTime::currentTime());
    }
    changing = 0;
    Memo1->clear();
    Edit4->clear();
}

void TForm5::Button2Click()
{
    Button4Click();
    changing = 1;
    const int row = selectedRow();
    try {
        if (row < 0 || row >= m_store.count())
            throw Error(QStringLiteral("Напоминание не выбрано."));
        Memo1->setPlainText(ReminderStore::readText(m_store.textFileOf(row)));
        const Reminder r = m_store.at(row);
        Edit4->setText(r.title);
        // The reminder keeps its own moment unless the user changes it: with the
        // clock's time, a change of the text alone would move it into the past.
        DateTimePicker1->setTime(timetext::strToTime(r.timeText));
        DateTimePicker2->setDate(timetext::strToDate(r.dateText));
    } catch (const Error&) {
        errorBeep();
    }
}

bool TForm5::fieldsStorable()
{
    const std::pair<QString, QWidget*> checks[] = {
        {ReminderStore::titleProblem(Edit4->text()), Edit4},
        {ReminderStore::textProblem(Memo1->toPlainText()), Memo1}};
    for (const auto& [problem, field] : checks) {
        if (!problem.isEmpty()) {
            inputError(problem);
            field->setFocus();
            return false;
        }
    }
    return true;
}

bool TForm5::addFromFields()
{
    const QString title = Edit4->text();
    const QDate day = DateTimePicker2->date();
    if (m_store.exists(title, day)) {
        errorBeep();
        Button6Click();
        return false;
    }
    Button6Click();
    const quint64 loads = m_store.loads();
    try {
        if (!m_store.addReminder(title, Memo1->toPlainText(), day, DateTimePicker1->time()))
            return false;
    } catch (const RefusedError& e) {
        inputError(e.message());
        return false;
    } catch (const Error&) {
        inputError(ReminderStore::kInputError);
        return false;
    }
    if (!followReload(loads)) {
        const int row = m_titles->rowCount();
        m_titles->insertRows(row, 1);
        m_titles->setData(m_titles->index(row), title);
    }
    return true;
}

bool TForm5::followReload(quint64 loadsBefore)
{
    if (m_store.loads() == loadsBefore)
        return false;
    // Another program changed the lists: the store read them again before its change.
    const QSignalBlocker quiet(ListBox1->selectionModel());
    m_titles->setStringList(m_store.records().column(&Reminder::title));
    return true;
}

void TForm5::Button5Click()
{
    // A title or text the program cannot store is said, and the window stays
    // in edit mode with what was typed, to be put right.
    if (!fieldsStorable())
        return;
    if (changing != 1) {
        addFromFields();
        return;
    }
    // A change replaces the reminder in one change of the store: refused, or
    // failed to be written, it loses nothing.
    const int row = selectedRow();
    if (row < 0 || row >= m_store.count()) {
        Button6Click();
        errorBeep();
        return;
    }
    const QString title = Edit4->text();
    const QDate day = DateTimePicker2->date();
    const QString oldId = m_store.at(row).reminderId;
    if (title + timetext::dateToStr(day) != oldId && m_store.exists(title, day)) {
        Button6Click();
        errorBeep();
        return;
    }
    Button6Click();
    changing = 0;
    // One change of the store: should the new values fail to be written, the
    // old reminder is still there.
    const quint64 loads = m_store.loads();
    try {
        if (!m_store.replaceAt(row, oldId, title, Memo1->toPlainText(), day,
                               DateTimePicker1->time())) {
            errorBeep();
            followReload(loads);
            return;
        }
    } catch (const RefusedError& e) {
        inputError(e.message());
        followReload(loads);
        return;
    } catch (const Error&) {
        inputError(ReminderStore::kInputError);
        followReload(loads);
        return;
    }
    if (followReload(loads))
        return;
    // As a delete and an add would leave the list: the line goes, with the
    // selection, and comes back at the end.
    m_titles->removeRows(row, 1);
    const int last = m_titles->rowCount();
    m_titles->insertRows(last, 1);
    m_titles->setData(m_titles->index(last), title);
}

void TForm5::Button6Click()
{
    setEditMode(false);
}

void TForm5::Button3Click()
{
    const int row = selectedRow();
    const quint64 loads = m_store.loads();
    try {
        const QString id =
            row < 0 || row >= m_store.count() ? QString() : m_store.at(row).reminderId;
        if (!m_store.removeReminderAt(row, id)) {
            errorBeep();
            followReload(loads);
            return;
        }
    } catch (const RefusedError& e) {
        inputError(e.message());
        return;
    } catch (const Error&) {
        errorBeep();
        return;
    }
    if (followReload(loads))
        return;
    // The fields keep showing the deleted reminder until another line is chosen.
    m_titles->removeRows(row, 1);
}

void TForm5::Button1Click()
{
    accept();
}

} // namespace zentari
