#include "titlefeature.h"

namespace zentari {

const QString TitleFeature::kInactiveTitle = QStringLiteral("Неактивное окно");

void TitleFeature::showTitle(WindowSystem& windows, const QString& hint)
{
    const quint64 current = windows.foregroundWindow();
    if (m_foregroundWindow != 0)
        windows.setWindowTitle(m_foregroundWindow, kInactiveTitle);
    if (m_foregroundWindow != current)
        m_capturedTitle = current != 0 ? windows.windowTitle(current) : QString();
    if (current != 0)
        windows.setWindowTitle(current, m_capturedTitle + hint);
    m_foregroundWindow = windows.foregroundWindow();
}

} // namespace zentari
