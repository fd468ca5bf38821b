#include "remote/listing.h"
#include "support/printers.h"

#include <gtest/gtest.h>

using namespace zentari::remote;

namespace {

ActionEntry template45()
{
    return {QStringLiteral("07.12.2026 23:45:00"),
            4,
            QStringLiteral("Шаблон на выключениеЧерез 45 минут23:45:00"),
            QStringLiteral("07.12.2026"),
            QStringLiteral("23:45:00"),
            1,
            {}};
}

} // namespace

TEST(Listing, ExactLinesForActionsAndReminders)
{
    EXPECT_EQ(listLine(template45()), u"action\t07.12.2026 23:45:00\t07.12.2026\t23:45:00\t4\t"
                                      u"Шаблон на выключениеЧерез 45 минут23:45:00");
    const ActionEntry sound{QStringLiteral("08.12.2026 7:00:00 #2"),
                            0,
                            QStringLiteral("/home/ann/Музыка/звонок.mp3"),
                            QStringLiteral("08.12.2026"),
                            QStringLiteral("7:00:00"),
                            3,
                            {1, 5}};
    EXPECT_EQ(listLine(sound), u"action\t08.12.2026 7:00:00 #2\t08.12.2026\t7:00:00\t0\t"
                               u"/home/ann/Музыка/звонок.mp3");
    // An action saved without a type, as the editor allows.
    EXPECT_EQ(listLine(ActionEntry{QStringLiteral("08.12.2026"),
                                   -1,
                                   QStringLiteral("Выберите файл!!!!"),
                                   QStringLiteral("08.12.2026"),
                                   QStringLiteral("0:00:00"),
                                   1,
                                   {}}),
              u"action\t08.12.2026\t08.12.2026\t0:00:00\t-1\tВыберите файл!!!!");
    EXPECT_EQ(listLine(ReminderEntry{QStringLiteral("Врач25.01.2027"), QStringLiteral("Врач"),
                                     QStringLiteral("25.01.2027"), QStringLiteral("10:30:00")}),
              u"reminder\tВрач25.01.2027\t25.01.2027\t10:30:00\tВрач");
    // A reminder without a title.
    EXPECT_EQ(listLine(ReminderEntry{QStringLiteral("25.01.2027"), QString(),
                                     QStringLiteral("25.01.2027"), QStringLiteral("9:00:00")}),
              u"reminder\t25.01.2027\t25.01.2027\t9:00:00\t");
}

TEST(Listing, ATabCannotShiftTheColumns)
{
    const ReminderEntry tabbed{QStringLiteral("a\tb25.01.2027"), QStringLiteral("a\tb"),
                               QStringLiteral("25.01.2027"), QStringLiteral("9:00:00")};
    const QStringList fields = listLine(tabbed).split(u'\t');
    ASSERT_EQ(fields.size(), 6); // the title's own tab stays: it is the last field
    EXPECT_EQ(fields[1], u"a b25.01.2027");
    EXPECT_EQ(fields[2], u"25.01.2027");
    EXPECT_EQ(fields.mid(4).join(u'\t'), u"a\tb");
}

TEST(Listing, ActionsFirstThenReminders)
{
    const ReminderEntry r{QStringLiteral("Врач25.01.2027"), QStringLiteral("Врач"),
                          QStringLiteral("25.01.2027"), QStringLiteral("10:30:00")};
    EXPECT_EQ(listing({template45(), template45()}, {r}), listLine(template45()) + u'\n' +
                                                              listLine(template45()) + u'\n' +
                                                              listLine(r) + u'\n');
    EXPECT_EQ(listing({}, {}), QString());
}

TEST(Listing, RemovalFindsTheKindByTheId)
{
    const QStringList actions = {QStringLiteral("07.12.2026 23:45:00"),
                                 QStringLiteral("25.01.2027")};
    const QStringList reminders = {QStringLiteral("Врач25.01.2027"), QStringLiteral("25.01.2027")};
    EXPECT_EQ(resolveRemoval(QStringLiteral("07.12.2026 23:45:00"), actions, reminders).kind,
              EntryKind::Action);
    EXPECT_EQ(resolveRemoval(QStringLiteral("Врач25.01.2027"), actions, reminders).kind,
              EntryKind::Reminder);

    // A reminder without a title and an action at midnight of its day share the id.
    const Removal both = resolveRemoval(QStringLiteral("25.01.2027"), actions, reminders);
    EXPECT_FALSE(both.kind);
    EXPECT_TRUE(both.message.contains(u"«25.01.2027»"));

    const Removal none = resolveRemoval(QStringLiteral("врач25.01.2027"), actions, reminders);
    EXPECT_FALSE(none.kind); // ids compare exactly, case included
    EXPECT_TRUE(none.message.contains(u"--list"));
}
