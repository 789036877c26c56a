#include "controls/datetime.h"

#include <gtest/gtest.h>

namespace orv::ui {
namespace {

TEST(WithoutTimeZoneTest, DropsTheZoneAndWhatOnlyBelongsToIt) {
    struct Case {
        const char* format;
        const char* plain;
    } cases[] = {
        {"HH:mm:ss t", "HH:mm:ss"},
        {"h:mm:ss AP t", "h:mm:ss AP"},
        {"h:mm:ss AP, t", "h:mm:ss AP"},
        {"HH:mm:ss (t)", "HH:mm:ss"},
        {"APh:mm:ss [t]", "APh:mm:ss"},
        {"t HH:mm:ss", "HH:mm:ss"},
        {"t APh:mm:ss", "APh:mm:ss"},
        {"HH:mm t AP", "HH:mm AP"},
        {"HH:mm:ss tttt", "HH:mm:ss"},
        {"HH:mm:ss\u202Ft", "HH:mm:ss"},
        // Quoted text is literal, the zone letter in it included.
        {"H:mm:ss '\u0447'. t", "H:mm:ss '\u0447'."},
        {"HH 'h' mm 'min' ss 's' t", "HH 'h' mm 'min' ss 's'"},
        {"'Klock' H.mm:ss (t)", "'Klock' H.mm:ss"},
        {"HH:mm:ss 'at' t", "HH:mm:ss 'at'"},
        {"HH 'o''clock' t", "HH 'o''clock'"},
        {"'' t HH", "'' HH"},
        // Nothing to drop.
        {"HH:mm:ss", "HH:mm:ss"},
        {"(HH:mm)", "(HH:mm)"},
        {"", ""},
        {"t", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithoutTimeZone(QString::fromUtf8(c.format)), QString::fromUtf8(c.plain))
            << c.format;
}

TEST(WithoutTimeZoneTest, NoLocaleKeepsAZoneInItsLongTimeFormat) {
    for (const QLocale& l : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                     QLocale::AnyTerritory)) {
        QString f = LongTimeFormat(l);
        EXPECT_FALSE(f.isEmpty()) << l.name().toStdString();
        EXPECT_NE(f, l.timeFormat(QLocale::LongFormat)) << l.name().toStdString();
        // What is left still writes the seconds and no zone name.
        QString text = l.toString(QTime(13, 4, 5), f);
        EXPECT_FALSE(text.contains("UTC") || text.contains("GMT")) << l.name().toStdString();
        EXPECT_FALSE(text.startsWith(' ') || text.endsWith(' ')) << l.name().toStdString();
    }
}

TEST(DateTimeToStrTest, WritesShortDateAndLongTimeWithoutZone) {
    const QDateTime when(QDate(2024, 3, 7), QTime(9, 5, 2));
    struct Case {
        QLocale locale;
        const char* date;
        const char* time;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "3/7/24", "9:05:02\u202FAM"},
        {QLocale(QLocale::German, QLocale::Germany), "07.03.24", "09:05:02"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "07/03/2024", "09:05:02"},
        {QLocale::c(), "7 Mar 2024", "09:05:02"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        EXPECT_EQ(DateToStr(when.date(), c.locale), c.date);
        // Which blank stands before AM depends on the locale data's version.
        QString time = TimeToStr(when.time(), c.locale);
        EXPECT_EQ(time.remove(u'\u202F').remove(' '),
                  QString::fromUtf8(c.time).remove(u'\u202F').remove(' '));
        EXPECT_EQ(DateTimeToStr(when, c.locale),
                  DateToStr(when.date(), c.locale) + " " + TimeToStr(when.time(), c.locale));
    }
}

TEST(DateTimeToStrTest, DefaultsToTheDefaultLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TimeToStr(QTime(23, 59, 58)), "23:59:58");
    EXPECT_EQ(DateToStr(QDate(1999, 12, 31)), "31.12.99");
    EXPECT_EQ(DateTimeToStr(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58))),
              "31.12.99 23:59:58");
    QLocale::setDefault(saved);
}

}  // namespace
}  // namespace orv::ui
