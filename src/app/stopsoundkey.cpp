#include "stopsoundkey.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace zentari {

StopSoundKey::StopSoundKey(std::function<bool()> playing, std::function<void()> stop,
                           QObject* parent)
    : QObject(parent), m_playing(std::move(playing)), m_stop(std::move(stop))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool StopSoundKey::eventFilter(QObject* watched, QEvent* e)
{
    const QEvent::Type type = e->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, e);
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() != Qt::Key_Escape || (key->modifiers() & ~Qt::KeypadModifier) || !m_playing())
        return QObject::eventFilter(watched, e);
    // Taken before any shortcut or dialog sees it: the key stops the sound
    // and closes nothing.
    e->accept();
    if (type == QEvent::KeyPress)
        m_stop();
    return true;
}

} // namespace zentari
