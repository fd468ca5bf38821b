#include "accessiblebutton.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace zentari {
namespace {

using Press = void (*)(QWidget*);

QHash<QString, Press>& pressByClass()
{
    static QHash<QString, Press> registered;
    return registered;
}

class AccessibleButton : public QAccessibleWidget
{
public:
    AccessibleButton(QWidget* widget, Press press)
        : QAccessibleWidget(widget, QAccessible::Button), m_press(press)
    {
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            m_press(widget());
        else
            QAccessibleWidget::doAction(action);
    }

private:
    Press m_press;
};

QAccessibleInterface* accessibleButton(const QString& className, QObject* object)
{
    const Press press = pressByClass().value(className);
    if (!press || !object->isWidgetType())
        return nullptr;
    return new AccessibleButton(static_cast<QWidget*>(object), press);
}

} // namespace

void registerAccessibleButton(const QMetaObject& type, Press press)
{
    auto& registered = pressByClass();
    if (registered.isEmpty())
        QAccessible::installFactory(accessibleButton);
    registered.insert(QString::fromLatin1(type.className()), press);
}

} // namespace zentari
