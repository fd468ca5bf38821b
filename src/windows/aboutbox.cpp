#include "aboutbox.h"

#include "core/product.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>

namespace zentari {

namespace {

// The two ways to thank the author with money, each a payment system and the
// author's purse in it. None is published, so both stay empty.
struct PaymentPair
{
    const char16_t* system;
    const char16_t* purse;
};
constexpr PaymentPair kPaymentPairs[2] = {{u"", u""}, {u"", u""}};

} // namespace

TForm3::TForm3(const Services& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_services(services)
{
    setWindowTitle(QStringLiteral("О программке"));
    setFixedSize(285, 275);
    setAutoFillBackground(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silver);

    auto label = [this](const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    auto bevel = [this](int y) {
        auto* line = new QFrame(this);
        line->setFrameStyle(QFrame::HLine | QFrame::Raised);
        line->setGeometry(8, y, 269, 4);
        return line;
    };

    Label1 = new QLabel(QStringLiteral("Zentari v2.1"), this);
    QFont title = Label1->font();
    title.setPixelSize(40);
    title.setBold(true);
    Label1->setFont(title);
    QPalette green = Label1->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    Label1->setPalette(green);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 6, 285, 50);

    Label2 = label(QStringLiteral("Автор"), 16, 66);
    Label3 = label(QString(), 80, 66);
    Label12 = label(QStringLiteral("Сайт"), 16, 88);
    Label13 = label(productSite(), 80, 88);
    QFont link = Label13->font();
    link.setBold(true);
    link.setUnderline(true);
    Label13->setFont(link);
    QPalette blue = Label13->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label13->setPalette(blue);
    Label13->setCursor(Qt::PointingHandCursor);
    Label13->adjustSize();
    Bevel1 = bevel(112);

    Label6 = label(QStringLiteral("Версия"), 16, 124);
    Label7 = label(QStringLiteral("2.1"), 80, 124);
    Label8 = label(QStringLiteral("Дата"), 16, 146);
    Label9 = label(QStringLiteral("08.05.2005"), 80, 146);
    Label4 = label(QString(), 16, 172);
    Label4->setMinimumWidth(72);
    Edit1 = new QLineEdit(this);
    Edit1->setReadOnly(true);
    Edit1->setGeometry(80, 168, 189, 24);
    Bevel2 = bevel(202);

    Label5 = label(QStringLiteral("Большое спасибо за неоценимую"), 16, 214);
    Label11 = label(QStringLiteral("помощь при бета-тестировании"), 16, 232);
    Label10 = label(QString(), 16, 250);

    for (QLabel* clickable : {Label1, Label4, Label13})
        clickable->installEventFilter(this);
    showPaymentPair(0);
}

void TForm3::showPaymentPair(int index)
{
    Label4->setText(QString::fromUtf16(kPaymentPairs[index].system));
    Edit1->setText(QString::fromUtf16(kPaymentPairs[index].purse));
}

void TForm3::Label1Click()
{
    QMessageBox::about(this, QStringLiteral("О программе Zentari"), QStringLiteral("Zentari v2.0"));
}

void TForm3::Label4Click()
{
    paymentPair = paymentPair == 0 ? 1 : 0;
    showPaymentPair(paymentPair);
}

void TForm3::Label13Click()
{
    m_services.shell->open(Label13->text(), QString(), QString());
}

bool TForm3::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
        return false;
    if (watched == Label1)
        Label1Click();
    else if (watched == Label4)
        Label4Click();
    else if (watched == Label13)
        Label13Click();
    return false;
}

} // namespace zentari
