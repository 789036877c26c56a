#include "controls/datetime.h"

#include <vector>

namespace orv::ui {

namespace {

struct Token {
    enum Kind { Plain, Quoted, Zone } kind;
    QString text;
    bool removed = false;
};

// The pattern as single plain characters, quoted literals and runs of the zone letter.
std::vector<Token> Tokenize(const QString& f) {
    std::vector<Token> out;
    const qsizetype n = f.size();
    for (qsizetype i = 0; i < n;) {
        if (f[i] == u'\'') {
            qsizetype j = i + 1;
            while (j < n) {
                if (f[j] == u'\'') {
                    if (j + 1 < n && f[j + 1] == u'\'' && j > i + 1) {
                        j += 2;  // a doubled quote inside quoted text
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            out.push_back({Token::Quoted, f.mid(i, j - i)});
            i = j;
        } else if (f[i] == u't') {
            qsizetype j = i;
            while (j < n && f[j] == u't')
                ++j;
            out.push_back({Token::Zone, f.mid(i, j - i)});
            i = j;
        } else {
            out.push_back({Token::Plain, QString(f[i])});
            ++i;
        }
    }
    return out;
}

bool IsPlain(const Token& t, std::initializer_list<char16_t> chars) {
    if (t.removed || t.kind != Token::Plain)
        return false;
    for (char16_t c : chars)
        if (t.text[0] == c)
            return true;
    return false;
}

// Blanks (the narrow and no-break ones included) and the comma that set the zone apart.
bool IsSeparator(const Token& t) {
    return IsPlain(t, {u' ', u'\u00A0', u'\u202F', u','});
}
bool IsBlank(const Token& t) {
    return IsPlain(t, {u' ', u'\u00A0', u'\u202F'});
}

// Nearest token before / after `i` that is still there; -1 or size() when none.
long Prev(const std::vector<Token>& t, long i) {
    for (--i; i >= 0 && t[i].removed; --i) {
    }
    return i;
}
long Next(const std::vector<Token>& t, long i) {
    const long n = static_cast<long>(t.size());
    for (++i; i < n && t[i].removed; ++i) {
    }
    return i;
}

}  // namespace

QString WithoutTimeZone(const QString& format) {
    std::vector<Token> t = Tokenize(format);
    const long n = static_cast<long>(t.size());
    for (long z = 0; z < n; ++z) {
        if (t[z].kind != Token::Zone || t[z].removed)
            continue;
        t[z].removed = true;
        // "(t)" and "[t]" go whole.
        long p = Prev(t, z);
        long q = Next(t, z);
        if (p >= 0 && q < n &&
            ((IsPlain(t[p], {u'('}) && IsPlain(t[q], {u')'})) ||
             (IsPlain(t[p], {u'['}) && IsPlain(t[q], {u']'})))) {
            t[p].removed = t[q].removed = true;
            p = Prev(t, p);
        }
        // The separator before the zone goes with it; a zone in front takes the one after.
        if (p >= 0) {
            for (; p >= 0 && IsSeparator(t[p]); p = Prev(t, p))
                t[p].removed = true;
        } else {
            for (q = Next(t, z); q < n && IsSeparator(t[q]); q = Next(t, q))
                t[q].removed = true;
        }
    }
    // No blanks left hanging at either end.
    for (long i = Next(t, -1); i < n && IsBlank(t[i]); i = Next(t, i))
        t[i].removed = true;
    for (long i = Prev(t, n); i >= 0 && IsBlank(t[i]); i = Prev(t, i))
        t[i].removed = true;

    QString out;
    out.reserve(format.size());
    for (const Token& k : t)
        if (!k.removed)
            out += k.text;
    return out;
}

QString ShortDateFormat(const QLocale& locale) {
    return locale.dateFormat(QLocale::ShortFormat);
}

QString LongTimeFormat(const QLocale& locale) {
    return WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

QString DateToStr(const QDate& date, const QLocale& locale) {
    return locale.toString(date, ShortDateFormat(locale));
}

QString TimeToStr(const QTime& time, const QLocale& locale) {
    return locale.toString(time, LongTimeFormat(locale));
}

QString DateTimeToStr(const QDateTime& when, const QLocale& locale) {
    return DateToStr(when.date(), locale) + u' ' + TimeToStr(when.time(), locale);
}

}  // namespace orv::ui
