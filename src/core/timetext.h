#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>
#include <optional>

// The one place where times and dates become texts and back. The clock shows
// these texts, every writer stores them and the dispatcher compares them, so
// nobody may format a stored time or date any other way.
namespace zentari::timetext {

// "H:mm:ss", the hour without a leading zero as the Russian locale writes it.
QString timeToStr(QTime time);
// The two texts above in Qt's format language, for time and date pickers,
// which must show exactly what is stored.
inline constexpr QStringView kTimeFormat = u"H:mm:ss";
inline constexpr QStringView kDateFormat = u"dd.MM.yyyy";
// "dd.MM.yyyy".
QString dateToStr(QDate date);
// "1" for Sunday up to "7" for Saturday.
QString weekdayText(QDate date);
// A stored time or date text that the clock's own texts can equal (the
// dispatcher compares texts), as its value; nullopt for any other text.
std::optional<QTime> exactTime(const QString& text);
std::optional<QDate> exactDate(const QString& text);
// A count of minutes in words, as a caption says it: "1 минуту", "3 минуты",
// "11 минут", "21 минуту".
QString minutesText(int minutes);

// Conversions back. They accept what the functions above produce, a two-digit
// hour and a time without seconds, and throw ConvertError on anything else.
QTime strToTime(const QString& text);
QDate strToDate(const QString& text);
QDateTime strToDateTime(const QString& text);

// The same forms as display formats of Qt's time and date editors, for the
// choosers of the editors.
inline constexpr QStringView kTimeEditFormat = u"H:mm:ss";
inline constexpr QStringView kDateEditFormat = u"dd.MM.yyyy";

// One field of the texts above: 1..maxDigits decimal digits and nothing else
// ("05" is 5; "+5", " 5" and "5.0" are not fields); -1 when it is not one.
int digitField(QStringView text, int maxDigits);

// Day zero of the date-time type that the stored texts come from.
QDate dayZero();

} // namespace zentari::timetext
