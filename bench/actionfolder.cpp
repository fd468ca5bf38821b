#include "actionfolder.h"

#include "core/cp1251.h"
#include "core/error.h"
#include "core/textlist.h"
#include "core/timetext.h"
#include "scheduler/actionstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>

namespace zentari::bench {

const QString ActionFolder::kColor = QStringLiteral("16777088");
const QString ActionFolder::kOtherColor = QStringLiteral("16711680");

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw Error(
            QStringLiteral("Не удалось записать файл «%1»: %2").arg(path, file.errorString()));
}

QString optionSections(const QString& color)
{
    return QStringLiteral("[Options big]\n"
                          "Color=%1\n"
                          "SavePosition=1\n"
                          "Left=1500\n"
                          "Top=40\n"
                          "Picture=data\\BackGround1.jpg\n"
                          "WithBoard=0\n"
                          "UseAlpha=0\n"
                          "AlphaValue=128\n"
                          "TraySet=1\n"
                          "StayOnTop=1\n"
                          "ShowTimeInTitle=0\n"
                          "TimesPlay=3\n"
                          "soundtype=0\n"
                          "behz=1000\n"
                          "bemi=1000\n"
                          "soundfilename=data\\music.mp3\n"
                          "SchemeAck=0\n"
                          "WidthPan=22\n"
                          "[Options small]\n"
                          "on=yes\n")
        .arg(color);
}

} // namespace

ActionFolder::ActionFolder(int count)
{
    if (!m_dir.isValid() || !QDir(m_dir.path()).mkpath(QStringLiteral("data")))
        throw Error(QStringLiteral("Не удалось создать временную папку"));

    QStringList actions, times, dates;
    QSet<QString> usedTimes;
    QString text = optionSections(kColor);
    const QDateTime first(QDate(2026, 12, 7), QTime(10, 30, 0));
    for (int i = 0; i < count; ++i) {
        // 3917 s is prime to a day's 86,400 s: every action gets its own time of day.
        const QDateTime at = first.addSecs(qint64(i) * 3917);
        const int type = i % 4 == 3 ? 1 : 0;
        const int period = i % 3 + 1;
        const QString number = QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
        const QString path = type == 0
                                 ? QStringLiteral("/home/anna/Music/Morning playlist/track ") +
                                       number + QStringLiteral(".mp3")
                                 : QStringLiteral("/home/anna/Documents/Reports/report ") + number +
                                       QStringLiteral(".pdf");
        const QString id = ActionStore::makeActionId(at.date(), at.time());
        const QString time = timetext::timeToStr(at.time());
        const QString date = timetext::dateToStr(at.date());

        text += u'[' + ActionStore::sectionName(id) + QStringLiteral("]\nAction=") +
                QString::number(type) + QStringLiteral("\nDate=") + date +
                QStringLiteral("\nTime=") + time + QStringLiteral("\nPath=") + path +
                QStringLiteral("\nType_Per=") + QString::number(period) + u'\n';
        for (int day = 0; day < 7; ++day) {
            const bool chosen = period == 3 && (i + day) % 3 == 0;
            text += kDayKeys[day] + (chosen ? QStringLiteral("=1\n") : QStringLiteral("=0\n"));
        }
        actions.append(QString::number(type));
        m_paths.append(path);
        times.append(time);
        dates.append(date);
        m_ids.append(id);
        usedTimes.insert(time);
    }
    text.replace(u'\n', QStringLiteral("\r\n"));
    m_conf = cp1251::encode(text);

    // Same length, other bytes all through the file, so that nothing of the
    // old parse could be reused by accident.
    m_otherConf = m_conf;
    m_otherConf.replace(".mp3", ".ogg").replace(".pdf", ".odt");
    const QByteArray color = "Color=" + kColor.toLatin1();
    const QByteArray otherColor = "Color=" + kOtherColor.toLatin1();
    m_otherConf.replace(color, otherColor);

    for (int s = 0; s < 86400; ++s) {
        const QString t = timetext::timeToStr(QTime(0, 0).addSecs(s));
        if (!usedTimes.contains(t)) {
            m_unusedTime = t;
            break;
        }
    }

    writeFile(confPath(), m_conf);
    writeFile(path() + QStringLiteral("data/1Actions.zdt"), textlist::join(actions));
    writeFile(path() + QStringLiteral("data/1Paths.zdt"), textlist::join(m_paths));
    writeFile(path() + QStringLiteral("data/1Times.zdt"), textlist::join(times));
    writeFile(path() + QStringLiteral("data/1Dates.zdt"), textlist::join(dates));
    writeFile(path() + QStringLiteral("data/1Ids.zdt"), textlist::join(m_ids));
}

QString ActionFolder::path() const
{
    return m_dir.path() + u'/';
}

QString ActionFolder::confPath() const
{
    return path() + QStringLiteral("conf.ini");
}

void ActionFolder::overwriteConf(const QByteArray& bytes) const
{
    writeFile(confPath(), bytes);
}

QString ActionFolder::middleSection() const
{
    return ActionStore::sectionName(m_ids[m_ids.size() / 2]);
}

} // namespace zentari::bench
