#include "timetext.h"

#include "error.h"

#include <QStringList>

namespace zentari::timetext {
namespace {

QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text);
}

} // namespace

QString timeToStr(QTime time)
{
    // Built by hand: QTime::toString is slower and locale-free formats are all we need.
    const int h = time.hour(), m = time.minute(), s = time.second();
    QString out;
    out.reserve(8);
    if (h >= 10)
        out += QChar(u'0' + h / 10);
    out += QChar(u'0' + h % 10);
    out += u':';
    out += QChar(u'0' + m / 10);
    out += QChar(u'0' + m % 10);
    out += u':';
    out += QChar(u'0' + s / 10);
    out += QChar(u'0' + s % 10);
    return out;
}

QString dateToStr(QDate date)
{
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QChar(u'0'))
        .arg(date.month(), 2, 10, QChar(u'0'))
        .arg(date.year(), 4, 10, QChar(u'0'));
}

QString weekdayText(QDate date)
{
    // Qt counts Monday = 1 ... Sunday = 7; the stored texts count Sunday = 1.
    return QString::number(date.dayOfWeek() % 7 + 1);
}

QTime strToTime(const QString& text)
{
    const QStringView t = QStringView(text).trimmed();
    const auto parts = t.split(u':');
    if (parts.size() == 2 || parts.size() == 3) {
        const int h = digitField(parts[0], 2);
        const int m = digitField(parts[1], 2);
        const int s = parts.size() == 3 ? digitField(parts[2], 2) : 0;
        if (h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s < 60)
            return QTime(h, m, s);
    }
    throw ConvertError(QStringLiteral("%1 — недопустимое время").arg(quoted(text)));
}

QDate strToDate(const QString& text)
{
    const QStringView t = QStringView(text).trimmed();
    const auto parts = t.split(u'.');
    if (parts.size() == 3) {
        const int d = digitField(parts[0], 2);
        const int m = digitField(parts[1], 2);
        const int y = digitField(parts[2], 4);
        if (d > 0 && m > 0 && y >= 0) {
            const QDate date(y, m, d);
            if (date.isValid())
                return date;
        }
    }
    throw ConvertError(QStringLiteral("%1 — недопустимая дата").arg(quoted(text)));
}

QDateTime strToDateTime(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype space = t.indexOf(u' ');
    if (space < 0)
        return QDateTime(strToDate(t), QTime(0, 0));
    try {
        return QDateTime(strToDate(t.left(space)), strToTime(t.mid(space + 1)));
    } catch (const ConvertError&) {
        throw ConvertError(QStringLiteral("%1 — недопустимые дата и время").arg(quoted(text)));
    }
}

QDate dayZero()
{
    return QDate(1899, 12, 30);
}

int digitField(QStringView text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return -1;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<QTime> exactTime(const QString& text)
{
    try {
        const QTime time = strToTime(text);
        if (timeToStr(time) == text)
            return time;
    } catch (const ConvertError&) {
    }
    return std::nullopt;
}

std::optional<QDate> exactDate(const QString& text)
{
    try {
        const QDate date = strToDate(text);
        if (dateToStr(date) == text)
            return date;
    } catch (const ConvertError&) {
    }
    return std::nullopt;
}

QString minutesText(int minutes)
{
    const int lastTwo = minutes % 100;
    const int last = minutes % 10;
    QStringView word = u"минут";
    if (last == 1 && lastTwo != 11)
        word = u"минуту";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        word = u"минуты";
    return QString::number(minutes) + u' ' + word;
}

} // namespace zentari::timetext
