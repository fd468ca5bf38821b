#pragma once

#include "platform/services.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;

namespace zentari {

// TForm3: the about box ("О программке"): name, version, date and site of the
// product. The site opens in the browser; the version title opens a standard
// about box.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(const Services& services, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;  // "Zentari v2.1"
    QLabel* Label2 = nullptr;  // "Автор"
    QLabel* Label3 = nullptr;  // the author's nickname
    QLabel* Label12 = nullptr; // "Сайт"
    QLabel* Label13 = nullptr; // the site's address
    QFrame* Bevel1 = nullptr;
    QLabel* Label6 = nullptr;   // "Версия"
    QLabel* Label7 = nullptr;   // "2.1"
    QLabel* Label8 = nullptr;   // "Дата"
    QLabel* Label9 = nullptr;   // "08.05.2005"
    QLabel* Label4 = nullptr;   // the payment system
    QLineEdit* Edit1 = nullptr; // the purse, to select and copy
    QFrame* Bevel2 = nullptr;
    QLabel* Label5 = nullptr;  // "Большое спасибо за неоценимую"
    QLabel* Label11 = nullptr; // "помощь при бета-тестировании"
    QLabel* Label10 = nullptr; // the one thanked

    // Which payment pair is shown: 0 the first, 1 the second.
    int paymentPair = 0;

    void Label1Click();
    void Label4Click();
    void Label13Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void showPaymentPair(int index);

    Services m_services;
};

} // namespace zentari
