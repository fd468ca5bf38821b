#pragma once

#include "services.h"

#include <QSet>
#include <QString>

namespace zentari {

// The application's error report: a message box with the error's text. Reports
// never stack: while a box with a text is open (the tick goes on firing under
// it), the same text is not shown again.
class ErrorReport
{
public:
    explicit ErrorReport(MessageBoxes& boxes, QString caption = QStringLiteral("Zentari"));

    void report(const QString& text);
    // Shows a text the first time only, for faults that would otherwise repeat
    // every second (a bad option value, a broken list).
    void reportOnce(const QString& text);

    // Runs a handler; an Error escaping it ends the handler and is reported.
    template <typename F> void guard(F&& handler)
    {
        try {
            handler();
        } catch (const std::exception& e) {
            reportException(e);
        }
    }
    void reportException(const std::exception& e);

private:
    MessageBoxes& m_boxes;
    QString m_caption;
    QSet<QString> m_open;
    QSet<QString> m_reportedOnce;
};

} // namespace zentari
