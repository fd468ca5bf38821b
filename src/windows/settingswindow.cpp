#include "settingswindow.h"

#include "app/options.h"
#include "app/paths.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>

namespace zentari {

TForm2::TForm2(QString programDir, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_programDir(std::move(programDir))
{
    setWindowTitle(QStringLiteral("Настройки"));
    setFixedSize(502, 322);
    auto* grid = new QGridLayout(this);
    CheckBox1 = new QCheckBox(this);
    CheckBox3 = new QCheckBox(this);
    CheckBox4 = new QCheckBox(this);
    CheckBox4->hide();
    grid->addWidget(new QLabel(QStringLiteral("Активировать будильник"), this), 0, 0);
    grid->addWidget(CheckBox1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Главное окно с рамкой"), this), 1, 0);
    grid->addWidget(CheckBox3, 1, 1);
    grid->setRowStretch(2, 1);
    FormCreate();
}

bool TForm2::alarmEnabled() const { return CheckBox1->isChecked(); }

void TForm2::openConfig()
{
    const QString conf = paths::confPath(m_programDir);
    if (paths::ensureConfigFile(conf))
        m_config = IniFile(conf);
}

void TForm2::FormCreate()
{
    openConfig();
    CheckBox1->setChecked(options::read(m_config, options::On, m_programDir) == u"yes");
}

void TForm2::FormActivate()
{
    openConfig();
    CheckBox1->setChecked(options::read(m_config, options::On, m_programDir) == u"yes");
    CheckBox4->setChecked(options::read(m_config, options::StayOnTop, m_programDir) == u"1");
    CheckBox3->setChecked(options::read(m_config, options::WithBoard, m_programDir) != u"0");
}

bool TForm2::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

} // namespace zentari
