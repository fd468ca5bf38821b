#include "clockfixture.h"

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
          "buttons/ButtonAddAction2.bmp", "buttons/ButtonAddAction3.bmp", "buttons/ButtonOptions1.bmp",
          "buttons/ButtonOptions2.bmp", "buttons/ButtonOptions3.bmp"})
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
    form1.reset();
    form9.reset();
    form7.reset();
    form6.reset();
    form5.reset();
    form4.reset();
    form3.reset();
    form2.reset();
}

TForm1& ClockFixture::start(const QString& confText)
{
    if (!confText.isNull())
        dir.writeConf(confText);
    form1 = std::make_unique<TForm1>(dir.path(), sys.services(), *report, forms, &trayArea);
    forms.Form1 = form1.get();
    form2 = std::make_unique<TForm2>(dir.path(), sys.services(), *report, forms, settingsHost);
    forms.Form2 = form2.get();
    form3 = std::make_unique<TForm3>(sys.services());
    forms.Form3 = form3.get();
    form4 = std::make_unique<TForm4>(dir.path(), sys.services(), *report,
                                     [this] { return form1->Label1->text(); });
    forms.Form4 = form4.get();
    form5 = std::make_unique<TForm5>(dir.path(), sys.services(), *report);
    forms.Form5 = form5.get();
    form6 = std::make_unique<TForm6>();
    forms.Form6 = form6.get();
    form7 = std::make_unique<TForm7>(form2->steps());
    forms.Form7 = form7.get();
    form9 = std::make_unique<TForm9>(sys.services());
    form9->setHost(form1.get());
    forms.Form9 = form9.get();
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

} // namespace zentari::test
