#include "passwordgate.h"

#include "core/passwordcode.h"
#include "gatehost.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentari {
namespace {

// Every typed character shows as "®".
class RegisteredMarkStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return 0x00AE;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

} // namespace

TForm9::TForm9(const Services& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_services(services)
{
    setModal(true);
    setFixedSize(201, 73);
    Label1 = new QLabel(QStringLiteral("Введите пароль"), this);
    QFont big = Label1->font();
    big.setPixelSize(19);
    big.setBold(true);
    big.setItalic(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);
    Edit1 = new QLineEdit(this);
    Edit1->setEchoMode(QLineEdit::Password);
    auto* style = new RegisteredMarkStyle;
    style->setParent(Edit1);
    Edit1->setStyle(style);
    Button1 = new QPushButton(QStringLiteral("ОК"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm9::Button2Click);
    FormCreate();
}

void TForm9::FormCreate()
{
    Edit1->clear();
}

void TForm9::FormActivate()
{
    Edit1->clear();
}

bool TForm9::event(QEvent* e)
{
    // Every opening starts with an empty field, whatever was typed before.
    if (e->type() == QEvent::Show)
        FormActivate();
    return QDialog::event(e);
}

void TForm9::Button1Click()
{
    if (!m_host)
        return;
    const int command = m_host->pendingCommand();
    if (command == 3)
        exitAllowed(0);
    const QString stored = m_services.machine->readString(QStringLiteral("PAS"));
    if (!passwordMatches(Edit1->text(), stored)) {
        m_services.messages->show(QStringLiteral("Пароль неверен"), QStringLiteral("Обломись!"),
                                  MessageIcon::Error);
        Edit1->clear();
        return;
    }
    switch (command) {
    case 1:
        accept();
        m_host->showSettings();
        break;
    case 2:
        exitAllowed(1);
        accept();
        m_services.shell->open(m_host->programDir() + QStringLiteral("conf"), QString(),
                               m_host->programDir());
        m_host->closeClock();
        break;
    case 3:
        exitAllowed(1);
        accept();
        m_host->closeClock();
        break;
    case 4:
        m_host->abortShutdown();
        m_host->showMainWindow();
        accept();
        break;
    default:
        break;
    }
}

void TForm9::exitAllowed(int allowed)
{
    if (m_host)
        m_host->setExitAllowed(allowed);
}

void TForm9::Button2Click()
{
    reject();
}

void TForm9::reject()
{
    // Escape and the window manager's close come here too: each is "Отмена",
    // or the clock, hidden by the command, would stay lost.
    if (m_host)
        m_host->showMainWindow();
    QDialog::reject();
}

} // namespace zentari
