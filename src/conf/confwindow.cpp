#include "confwindow.h"

#include "core/conversions.h"
#include "core/error.h"
#include "core/paths.h"
#include "platform/autostart.h"
#include "platform/desktopservices.h"
#include "platform/machinestore.h"
#include "platform/picture.h"
#include "platform/programicon.h"
#include "platform/sessionplatform.h"
#include "protection.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zentari::conf {

namespace {

// "Color" holds red in its low byte.
QColor colourOf(const QString& text)
{
    unsigned int v = 0;
    try {
        v = conv::stringToColor(text);
    } catch (const ConvertError&) {
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QString textOf(const QColor& c)
{
    return QString::number(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// A switch's default as yes or no, a bundled file by its name alone.
QString shownDefault(const Option& option, const QString& def)
{
    if (options::isSwitch(*option.key))
        return def == option.key->onText ? QStringLiteral("да") : QStringLiteral("нет");
    const QString fileName = QFileInfo(def).fileName();
    return option.key->reading == options::Reading::File && !fileName.isEmpty() ? fileName : def;
}

QIcon swatch(const QColor& c)
{
    QPixmap pixmap(40, 16);
    pixmap.fill(c);
    QPainter(&pixmap).drawRect(0, 0, 39, 15);
    return QIcon(pixmap);
}

} // namespace

ConfWindow::ConfWindow(Context context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context)), m_file(m_context.programDir), m_form(m_file)
{
    setWindowTitle(QStringLiteral("Особые настройки часов"));
    auto* layout = new QVBoxLayout(this);
    if (const QString problem = m_file.readProblem(); !problem.isEmpty()) {
        auto* warning = new QLabel(problem);
        warning->setWordWrap(true);
        warning->setStyleSheet(QStringLiteral("color: #b00000"));
        layout->addWidget(warning);
    }
    auto* tabs = new QTabWidget;
    for (Group g : {Group::Look, Group::Behaviour, Group::Signals, Group::Alarms})
        tabs->addTab(makeGroup(g), groupTitle(g));
    tabs->addTab(makeProtectionPage(), QStringLiteral("Защита и запуск"));
    layout->addWidget(tabs);

    auto* where = new QLabel(QStringLiteral("Файл настроек: %1").arg(m_file.path()));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setStyleSheet(QStringLiteral("color: palette(mid)"));
    layout->addWidget(where);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save = new QPushButton(QStringLiteral("Сохранить и запустить часы"));
    save->setObjectName(QStringLiteral("save"));
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    cancel->setObjectName(QStringLiteral("cancel"));
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, [this] {
        if (saveAndStart())
            close();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        cancelAndStart();
        close();
    });
    resize(sizeHint().expandedTo(QSize(820, 0)));
}

ConfWindow::~ConfWindow() = default;

QWidget* ConfWindow::makeGroup(Group group)
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    int r = 0;
    for (const Option& option : allOptions()) {
        if (option.group != group)
            continue;
        Row& row = m_rows[&option];
        auto* label = new QLabel(option.label);
        label->setToolTip(QStringLiteral("[%1] %2").arg(option.key->section, option.key->name));
        QWidget* editor = makeEditor(option, row);
        const QString def = m_file.defaultValue(option);
        auto* defLabel =
            new QLabel(QStringLiteral("по умолчанию: %1").arg(shownDefault(option, def)));
        defLabel->setStyleSheet(QStringLiteral("color: palette(mid)"));
        row.reset = new QPushButton(QStringLiteral("Сбросить"));
        row.reset->setToolTip(QStringLiteral("Вернуть значение по умолчанию"));
        connect(row.reset, &QPushButton::clicked, this, [this, &option] { resetClicked(option); });
        grid->addWidget(label, r, 0);
        grid->addWidget(editor, r, 1);
        grid->addWidget(defLabel, r, 2);
        grid->addWidget(row.reset, r, 3);
        ++r;
        row.problem = new QLabel;
        row.problem->setStyleSheet(QStringLiteral("color: #b00000"));
        row.problem->setWordWrap(true);
        const QString problem = m_form.storedProblem(option);
        if (!problem.isEmpty())
            row.problem->setText(
                QStringLiteral("В файле: %1 Измените значение или нажмите «Сбросить», "
                               "чтобы исправить.")
                    .arg(problem));
        row.problem->setVisible(!problem.isEmpty());
        grid->addWidget(row.problem, r++, 0, 1, 4);
        m_filling = true;
        row.show(m_form.shown(option));
        m_filling = false;
    }
    if (group == Group::Look) {
        m_preview = new QLabel;
        m_preview->setFixedSize(135, 81);
        m_preview->setFrameShape(QFrame::Box);
        m_preview->setAlignment(Qt::AlignCenter);
        grid->addWidget(new QLabel(QStringLiteral("Картинка:")), r, 0);
        grid->addWidget(m_preview, r++, 1);
        updatePreview(m_form.shown(*findOption(u"Picture")));
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(r, 1);
    return page;
}

QWidget* ConfWindow::makeEditor(const Option& option, Row& row)
{
    switch (option.key->reading) {
    case options::Reading::OnWhenOnText:
    case options::Reading::OnUnlessOffText: {
        auto* box = new QCheckBox(QStringLiteral("да"));
        // Read out with its option's label, not as one more "да".
        box->setAccessibleName(option.label);
        row.show = [box, &option](const QString& v) { box->setChecked(v == option.key->onText); };
        connect(box, &QCheckBox::toggled, this, [this, &option](bool on) {
            edited(option, (on ? option.key->onText : option.key->offText).toString());
        });
        row.editor = box;
        return box;
    }
    case options::Reading::Integer: {
        auto* spin = new QSpinBox;
        spin->setRange(option.windowMinimum.value_or(option.key->minimum),
                       option.windowMaximum.value_or(option.key->maximum));
        spin->setSpecialValueText(option.minimumText);
        spin->setAccessibleName(option.label);
        row.show = [spin](const QString& v) {
            try {
                spin->setValue(conv::strToInt(v));
            } catch (const ConvertError&) {
            }
        };
        connect(spin, &QSpinBox::valueChanged, this,
                [this, &option](int v) { edited(option, QString::number(v)); });
        row.editor = spin;
        return spin;
    }
    case options::Reading::Colour: {
        auto* button = new QPushButton(QStringLiteral("Выбрать цвет…"));
        button->setAccessibleName(option.label);
        row.show = [button](const QString& v) {
            button->setIcon(swatch(colourOf(v)));
            button->setIconSize(QSize(40, 16));
        };
        connect(button, &QPushButton::clicked, this, [this, &option, button] {
            const QColor chosen = QColorDialog::getColor(colourOf(m_form.shown(option)), this,
                                                         QStringLiteral("Цвет времени и даты"));
            if (!chosen.isValid())
                return;
            button->setIcon(swatch(chosen));
            edited(option, textOf(chosen));
        });
        row.editor = button;
        return button;
    }
    case options::Reading::File: {
        auto* box = new QWidget;
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        auto* line = new QLineEdit;
        line->setAccessibleName(option.label);
        auto* choose = new QPushButton(QStringLiteral("Выбрать…"));
        h->addWidget(line, 1);
        h->addWidget(choose);
        const bool sound = option.key == &options::SoundFileName;
        if (sound) {
            auto* listen = new QPushButton(QStringLiteral("Прослушать"));
            h->addWidget(listen);
            connect(listen, &QPushButton::clicked, this, [this, line] {
                if (!m_context.player)
                    return;
                try {
                    m_context.player->open(paths::resolve(m_context.programDir, line->text()));
                    m_context.player->play();
                } catch (const Error& e) {
                    m_context.messages->show(e.message(), QStringLiteral("Прослушать"),
                                             MessageIcon::Error);
                }
            });
        }
        row.show = [line](const QString& v) { line->setText(v); };
        connect(line, &QLineEdit::textChanged, this, [this, &option](const QString& v) {
            edited(option, v);
            if (option.key == &options::Picture)
                updatePreview(v);
        });
        connect(choose, &QPushButton::clicked, this, [this, line, sound] {
            const QString filter =
                sound ? QStringLiteral("Звуки (*.mp3 *.wav *.ogg *.mid);;Все файлы (*)")
                      : QStringLiteral("Картинки (*.jpg *.jpeg *.bmp *.png);;Все файлы (*)");
            const QString start =
                QFileInfo(paths::resolve(m_context.programDir, line->text())).absolutePath();
            const QString file = QFileDialog::getOpenFileName(
                this, sound ? QStringLiteral("Звуковой файл") : QStringLiteral("Картинка фона"),
                start, filter);
            if (!file.isEmpty())
                line->setText(file);
        });
        row.editor = line;
        return box;
    }
    }
    return nullptr;
}

void ConfWindow::edited(const Option& option, const QString& value)
{
    if (m_filling)
        return;
    m_form.edit(option, value);
}

void ConfWindow::resetClicked(const Option& option)
{
    m_form.reset(option);
    Row& row = m_rows[&option];
    m_filling = true;
    row.show(m_form.shown(option));
    m_filling = false;
    row.problem->hide();
    if (option.key == &options::Picture)
        updatePreview(m_form.shown(option));
}

void ConfWindow::updatePreview(const QString& value)
{
    if (!m_preview)
        return;
    try {
        const QImage image = loadPicture(paths::resolve(m_context.programDir, value));
        m_preview->setPixmap(QPixmap::fromImage(image.scaled(
            m_preview->size() - QSize(2, 2), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    } catch (const Error&) {
        m_preview->setPixmap({});
        m_preview->setText(QStringLiteral("нет картинки"));
    }
}

QWidget* ConfWindow::makeProtectionPage()
{
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* protection = new QGroupBox(QStringLiteral("Защита паролем"));
    auto* form = new QFormLayout(protection);
    m_protectionState = new QLabel;
    form->addRow(m_protectionState);
    m_protectionOn = new QCheckBox(QStringLiteral(
        "Спрашивать пароль перед настройками, особыми настройками, выходом и отменой "
        "выключения"));
    form->addRow(m_protectionOn);
    m_password = new QLineEdit;
    m_password->setEchoMode(QLineEdit::Password);
    m_passwordAgain = new QLineEdit;
    m_passwordAgain->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Новый пароль:"), m_password);
    form->addRow(QStringLiteral("Ещё раз:"), m_passwordAgain);
    const bool administratorOnly =
        m_context.privilegedWriter.isEmpty() && !m_context.storeWritable(m_context.machineStore);
    auto* note = new QLabel(
        administratorOnly
            ? administratorOnlyMessage(m_context.machineStore)
            : QStringLiteral(
                  "Защита действует для всех пользователей этого компьютера и хранится в «%1». "
                  "Для записи понадобятся права администратора.")
                  .arg(m_context.machineStore));
    note->setWordWrap(true);
    form->addRow(note);
    m_writeProtection = new QPushButton(QStringLiteral("Записать защиту"));
    m_writeProtection->setObjectName(QStringLiteral("writeProtection"));
    form->addRow(m_writeProtection);
    connect(m_writeProtection, &QPushButton::clicked, this, &ConfWindow::writeProtection);
    v->addWidget(protection);

    auto* start = new QGroupBox(QStringLiteral("Запуск"));
    auto* sv = new QVBoxLayout(start);
    m_autostart = new QCheckBox(QStringLiteral("Запускать вместе с рабочим столом"));
    m_autostart->setChecked(autostart::isEnabled());
    sv->addWidget(m_autostart);
    v->addWidget(start);
    v->addStretch();
    refreshProtection();
    return page;
}

void ConfWindow::refreshProtection()
{
    IniMachineStore store(m_context.machineStore);
    const bool on = store.readString(QStringLiteral("USE")) == u"1";
    m_protectionState->setText(on ? QStringLiteral("Сейчас защита включена.")
                                  : QStringLiteral("Сейчас защита выключена."));
    m_protectionOn->setChecked(on);
}

void ConfWindow::writeProtection()
{
    try {
        const QString currentPas =
            IniMachineStore(m_context.machineStore).readString(QStringLiteral("PAS"));
        const ProtectionValues values = protectionValues(
            m_protectionOn->isChecked(), m_password->text(), m_passwordAgain->text(), currentPas);
        const SaveStart started = saveProtection(
            m_context.machineStore, values, m_context.storeWritable(m_context.machineStore),
            *m_context.runner, m_context.privilegedWriter,
            [window = QPointer<ConfWindow>(this)](const QString& error) {
                if (window)
                    window->protectionWritten(error);
            });
        if (started == SaveStart::Written) {
            protectionWritten(QString());
            return;
        }
        // polkit's dialog is up; the window answers meanwhile, but a second
        // request must not race the first.
        m_writeProtection->setEnabled(false);
        m_protectionState->setText(QStringLiteral("Ожидание пароля администратора (окно polkit)…"));
    } catch (const Error& e) {
        m_context.messages->show(e.message(), QStringLiteral("Защита паролем"), MessageIcon::Error);
    }
}

void ConfWindow::protectionWritten(const QString& error)
{
    m_writeProtection->setEnabled(true);
    const bool wanted = m_protectionOn->isChecked();
    refreshProtection();
    if (!error.isEmpty()) {
        m_protectionOn->setChecked(wanted); // as the user left it, to try again
        m_context.messages->show(error, QStringLiteral("Защита паролем"), MessageIcon::Error);
        return;
    }
    m_password->clear();
    m_passwordAgain->clear();
    m_context.messages->show(m_protectionOn->isChecked()
                                 ? QStringLiteral("Защита паролем включена.")
                                 : QStringLiteral("Защита паролем выключена."),
                             QStringLiteral("Защита паролем"), MessageIcon::Information);
}

bool ConfWindow::saveAndStart()
{
    try {
        m_form.save();
        if (m_autostart->isChecked() != autostart::isEnabled())
            autostart::setEnabled(m_autostart->isChecked(),
                                  autostart::commandFor(m_context.executableDir));
    } catch (const Error& e) {
        m_context.messages->show(e.message(), QStringLiteral("Особые настройки часов"),
                                 MessageIcon::Error);
        return false;
    }
    startClock();
    return true;
}

void ConfWindow::cancelAndStart()
{
    startClock();
}

void ConfWindow::startClock()
{
    if (m_started)
        return;
    m_started = true;
    startOrReloadClock(m_context.programDir, *m_context.shell, m_context.handOver);
}

void ConfWindow::closeEvent(QCloseEvent* event)
{
    // Closed by its title bar: the clock was closed to open this window and
    // must not stay away.
    cancelAndStart();
    event->accept();
}

QWidget* ConfWindow::editorOf(QStringView key) const
{
    const Option* option = findOption(key);
    return option ? m_rows.value(option).editor : nullptr;
}

QPushButton* ConfWindow::resetOf(QStringView key) const
{
    const Option* option = findOption(key);
    return option ? m_rows.value(option).reset : nullptr;
}

int runWindow(int argc, char** argv)
{
    session::preferX11OnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zentari"));
    QApplication::setWindowIcon(programIcon());
    DesktopServices desktop;
    const Services services = desktop.services();
    PkexecRunner runner;
    autostart::refreshIfStale(autostart::commandFor(paths::executableDir()));
    int status = 0;
    try {
        ConfWindow window(
            {paths::programDir(), paths::executableDir(), IniMachineStore::defaultPath(),
             installedPrivilegedWriter(paths::executableDir()), services.shell, services.messages,
             services.player, &runner, canWriteStore, handOverTo(paths::programDir())});
        window.show();
        status = QApplication::exec();
    } catch (const Error& e) {
        services.messages->show(e.message(), QStringLiteral("Особые настройки часов"),
                                MessageIcon::Error);
        return 1;
    }
    return status;
}

} // namespace zentari::conf
