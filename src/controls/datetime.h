// Dates and times as the user's regional settings write them: the short date format and the
// long time format. Qt's long time format carries the time zone; the program's results and
// reports never show it, so every time written here goes through the zone-free format.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

namespace orv::ui {

// `format` (Qt's date/time pattern syntax) without its time zone fields, together with the
// blanks, comma or brackets that only belong to the zone: "h:mm:ss AP t" gives "h:mm:ss AP",
// "HH:mm:ss (t)" gives "HH:mm:ss", "t HH:mm:ss" gives "HH:mm:ss". Quoted text is kept as it is.
QString WithoutTimeZone(const QString& format);

// The user's short date format ("dd/MM/yyyy").
QString ShortDateFormat(const QLocale& locale = QLocale());
// The user's long time format without the time zone ("HH:mm:ss").
QString LongTimeFormat(const QLocale& locale = QLocale());

// `date` in the short date format.
QString DateToStr(const QDate& date, const QLocale& locale = QLocale());
// `time` in the long time format, without the time zone.
QString TimeToStr(const QTime& time, const QLocale& locale = QLocale());
// The date, one blank, then the time: as DateToStr and TimeToStr write them.
QString DateTimeToStr(const QDateTime& when, const QLocale& locale = QLocale());

}  // namespace orv::ui
