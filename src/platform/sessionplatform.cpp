#include "sessionplatform.h"

namespace zentari::session {

PlatformChoice choosePlatform(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                              const QByteArray& waylandDisplay, const QByteArray& display)
{
    if (!qpaPlatform.isEmpty())
        return {};
    const bool wayland =
        sessionType.compare("wayland", Qt::CaseInsensitive) == 0 || !waylandDisplay.isEmpty();
    if (!wayland)
        return {};
    if (!display.isEmpty())
        return {QByteArrayLiteral("xcb"), false};
    return {{}, true};
}

bool preferX11OnWayland()
{
    const PlatformChoice choice =
        choosePlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"),
                       qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (!choice.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice.platform);
    return choice.waylandOnly;
}

QString waylandLimitsNotice()
{
    return QStringLiteral(
        "Рабочий стол работает на Wayland без XWayland. Часы идут, но не могут держаться "
        "поверх других окон, сами вставать в выбранное место экрана и показывать время в "
        "заголовке активного окна. Чтобы всё это работало, установите XWayland "
        "(пакет xwayland) или выберите при входе сеанс X11.");
}

} // namespace zentari::session
