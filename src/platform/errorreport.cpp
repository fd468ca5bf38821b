#include "errorreport.h"

#include "core/error.h"

namespace zentari {

ErrorReport::ErrorReport(MessageBoxes& boxes, QString caption)
    : m_boxes(boxes), m_caption(std::move(caption))
{
}

void ErrorReport::report(const QString& text)
{
    if (m_open.contains(text))
        return;
    m_open.insert(text);
    struct Close
    {
        QSet<QString>& open;
        const QString& text;
        ~Close() { open.remove(text); }
    } close{m_open, text};
    m_boxes.show(text, m_caption, MessageIcon::Error);
}

void ErrorReport::reportOnce(const QString& text)
{
    if (m_reportedOnce.contains(text))
        return;
    m_reportedOnce.insert(text);
    report(text);
}

void ErrorReport::reportException(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const Error*>(&e))
        report(error->message());
    else
        report(QString::fromLocal8Bit(e.what()));
}

} // namespace zentari
