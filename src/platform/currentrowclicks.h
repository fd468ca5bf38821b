#pragma once

#include <QObject>

class QAbstractItemView;

namespace zentari {

// Reports a click on the line of a list that is already the current one.
// Qt's views signal a change of the current line, and a click that changes
// nothing goes unheard; the editors' lists answer every click, so that the
// line the user clicks is shown afresh whether or not it was chosen before.
class CurrentRowClicks : public QObject
{
    Q_OBJECT
public:
    explicit CurrentRowClicks(QAbstractItemView* view);

Q_SIGNALS:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QAbstractItemView* m_view;
    int m_rowAtPress = -1;
};

} // namespace zentari
