#include "lookup/address_ranges.h"

#include <limits>

namespace orv {

namespace {

QString Dotted(const AddressFields& f) {
    return QStringLiteral("%1.%2.%3.%4").arg(f[0]).arg(f[1]).arg(f[2]).arg(f[3]);
}

}  // namespace

std::optional<int> DecimalInteger(const QString& s) {
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i == s.size())
        return std::nullopt;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        v = v * 10 + (s[i].unicode() - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(v);
}

Neighborhood NeighborhoodList(const AddressFields& fields, int size) {
    Neighborhood n;
    if (size < 0)
        return n;
    int a = fields[0], b = fields[1], c = fields[2], d = fields[3];
    d -= size / 2 + 1;
    // Borrow from the upper fields; the half can exceed one field's range only for sizes far
    // beyond the page's choices, so keep borrowing until d is back in range.
    while (d < 0) {
        d += 256;
        if (--c < 0) {
            c = 255;
            if (--b < 0) {
                b = 255;
                if (--a < 0) {
                    n.complete = false;
                    return n;
                }
            }
        }
    }
    for (int i = 0; i <= size; ++i) {
        if (++d > 255) {
            d = 0;
            if (++c > 255) {
                c = 0;
                if (++b > 255) {
                    b = 0;
                    if (++a > 255) {
                        n.complete = false;
                        return n;
                    }
                }
            }
        }
        n.addresses << Dotted({a, b, c, d});
    }
    return n;
}

QString AddressCheck::Canonical() const {
    return Dotted(fields);
}

AddressCheck CheckAddressFields(const QString& text) {
    AddressCheck r;
    int from = 0;
    for (int i = 0; i < 4; ++i) {
        QString field;
        if (i < 3) {
            int dot = text.indexOf('.', from);
            if (dot < 0) {
                from = text.size();
            } else {
                field = text.mid(from, dot - from);
                from = dot + 1;
            }
        } else {
            field = text.mid(from);
        }
        const std::optional<int> v = DecimalInteger(field);
        if (!v) {
            r.result = AddressCheck::NotInteger;
            r.field = field;
            return r;
        }
        if (*v < 0 || *v > 255) {
            r.result = AddressCheck::OutOfRange;
            r.field = field;
            return r;
        }
        r.fields[i] = *v;
    }
    return r;
}

QString NotIntegerText(const QString& field) {
    return QStringLiteral("'%1' is not a valid integer value").arg(field);
}

AddressList MakeAddressList(const QString& prefix, const QString& from, const QString& to) {
    AddressList list;
    const std::optional<int> first = DecimalInteger(from);
    const std::optional<int> last = DecimalInteger(to);
    if (!first || !last) {
        list.result = AddressList::NotInteger;
        return list;
    }
    if (*first < 0 || *first > 255 || *last < 0 || *last > 255) {
        list.result = AddressList::OutOfRange;
        return list;
    }
    for (int n = *first; n <= *last; ++n)
        list.entries << prefix + "." + QString::number(n);
    return list;
}

}  // namespace orv
