#pragma once

#include "platform/services.h"

#include <QString>

namespace zentari {

// Writes the clock's text into the title of whatever window is in front: the
// window that lost the foreground keeps "Неактивное окно", the one in front
// shows the title it had when it came forward followed by the clock's hint.
class TitleFeature
{
public:
    static const QString kInactiveTitle;

    void showTitle(WindowSystem& windows, const QString& hint);

    quint64 foregroundWindow() const { return m_foregroundWindow; }
    const QString& capturedTitle() const { return m_capturedTitle; }

private:
    quint64 m_foregroundWindow = 0;
    QString m_capturedTitle;
};

} // namespace zentari
