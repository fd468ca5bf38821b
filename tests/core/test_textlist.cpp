#include "core/cp1251.h"
#include "core/error.h"
#include "core/textlist.h"
#include "support/programdir.h"

#include <gtest/gtest.h>

using namespace zentari;
using zentari::test::ProgramDir;

TEST(TextList, ReadsAnyLineEndAndWritesWindows1251WithCrLf)
{
    EXPECT_EQ(textlist::split("a\r\nb\rc\nd"),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                           QStringLiteral("d")}));
    EXPECT_EQ(textlist::split("a\r\n\r\n"), (QStringList{QStringLiteral("a"), QString()}));
    EXPECT_TRUE(textlist::split("").isEmpty());

    ProgramDir dir;
    const QString path = dir.file(QStringLiteral("data/1Paths.zdt"));
    textlist::save(path, {QStringLiteral("Шаблон на выключение"), QStringLiteral("/tmp/a.mp3")});
    EXPECT_EQ(dir.read(QStringLiteral("data/1Paths.zdt")),
              cp1251::encode(u"Шаблон на выключение") + "\r\n/tmp/a.mp3\r\n");
    EXPECT_EQ(textlist::load(path).first(), u"Шаблон на выключение");
    textlist::save(path, {});
    EXPECT_TRUE(dir.read(QStringLiteral("data/1Paths.zdt")).isEmpty());
}

TEST(TextList, AMissingFileIsAnErrorUnlessAskedForEmpty)
{
    ProgramDir dir;
    EXPECT_THROW(textlist::load(dir.file(QStringLiteral("data/none.zdt"))), Error);
    EXPECT_TRUE(textlist::loadOrEmpty(dir.file(QStringLiteral("data/none.zdt"))).isEmpty());
}

TEST(Cp1251, EveryByteSurvivesARoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1251::decode(all);
    EXPECT_EQ(cp1251::encode(text), all);
    EXPECT_EQ(text[0x98].unicode(), 0x0098); // the unassigned byte keeps its value
    EXPECT_EQ(text[0xFF], QChar(u'я'));
    EXPECT_EQ(text[0xA8], QChar(u'Ё'));
    EXPECT_EQ(cp1251::fromUnicode(QChar(u'€')), 0x88);
    EXPECT_EQ(cp1251::fromUnicode(QChar(0x4E2D)), '?'); // not in the code page
}
