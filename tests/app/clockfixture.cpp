#include "clockfixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace zentari::test {

namespace {
// The bundled pictures, so that the clock finds what it looks for.
void copyData(const ProgramDir& dir)
{
    const QString from = QStringLiteral(ZENTARI_SOURCE_DATA_DIR);
    QDir(dir.path()).mkpath(QStringLiteral("data/buttons"));
    for (const char* name :
         {"BackGround1.jpg", "min.bmp", "res.bmp", "buttons/ButtonAddAction1.bmp",
          "buttons/ButtonAddAction2.bmp", "buttons/ButtonAddAction3.bmp",
          "buttons/ButtonOptions1.bmp", "buttons/ButtonOptions2.bmp", "buttons/ButtonOptions3.bmp"})
        QFile::copy(from + u'/' + QLatin1String(name),
                    dir.file(QStringLiteral("data/") + QLatin1String(name)));
}
} // namespace

ClockFixture::ClockFixture()
{
    copyData(dir);
    report = std::make_unique<ErrorReport>(sys.messages);
}

ClockFixture::~ClockFixture()
{
    stop();
}

void ClockFixture::stop()
{
    windows.reset(); // the other windows before the clock they reach
    form1.reset();
    session.reset();
}

TForm1& ClockFixture::start(const QString& confText)
{
    stop();
    if (!confText.isNull())
        dir.writeConf(confText);
    session = std::make_unique<ClockSession>(dir.path(), sys.services(), *report);
    windows = std::make_unique<ClockWindows>(dir.path(), sys.services(), *report, *session);
    form1 = std::make_unique<TForm1>(dir.path(), sys.services(), *report, *session, *windows,
                                     &trayArea);
    session->loadAtStart();
    return *form1;
}

void ClockFixture::conf(const QString& text)
{
    dir.writeConf(text);
    form1->configStore().recheckNow();
}

QString ClockFixture::confValue(const QString& section, const QString& key)
{
    IniFile ini(dir.confPath());
    ini.recheckNow();
    return ini.readString(section, key, QStringLiteral("<missing>"));
}

void ClockFixture::withGate(std::function<void(TForm9&)> answer, std::function<void()> command)
{
    bool answered = false;
    QTimer::singleShot(0, form9.get(), [&] {
        answered = true;
        answer(*form9);
    });
    command();
    EXPECT_TRUE(answered) << "the password window did not open";
}

QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        if (a->isVisible())
            out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace zentari::test
