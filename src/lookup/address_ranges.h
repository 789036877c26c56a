// Address ranges of the IP-to-Domain Converter and Batch Ping pages: the "IP Neighborhood" (the
// addresses around a given one), the check of a typed address that comes before it, and the
// list maker's run of numbered entries.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace orv {

// A decimal integer: an optional sign and at least one digit, nothing else; it must fit in 32
// bits like any integer conversion.
std::optional<int> DecimalInteger(const QString& s);

// Four address fields, first field first.
using AddressFields = std::array<int, 4>;

struct Neighborhood {
    QStringList addresses;  // dotted, no leading zeros, in rising order
    bool complete = true;   // false: the list ran out of the address space and ended early
};

// The `size` + 1 addresses centred on `fields` (each 0..255): it starts size/2 + 1 below the
// address and takes size + 1 steps up, carrying across fields. When the start falls below
// 0.0.0.0 the list is empty; when the steps pass 255.255.255.255 it keeps what it has. Both
// count as ending early. A negative `size` gives an empty, complete list.
Neighborhood NeighborhoodList(const AddressFields& fields, int size);

// The check of a typed address, field by field from the first: a field that is not a decimal
// integer stops with NotInteger (the field's text in `field`), a field outside 0..255 with
// OutOfRange. Field 1 to 3 end at the next ".", field 4 is all the rest ("1.2.3.4.5" has the
// field 4 "4.5").
struct AddressCheck {
    enum Result { Ok, NotInteger, OutOfRange } result = Ok;
    QString field;           // the offending field's text
    AddressFields fields{};  // valid when Ok
    // The address as canonical dotted text ("10.1.2.3" for "010.1.2.03"), valid when Ok.
    QString Canonical() const;
};
AddressCheck CheckAddressFields(const QString& text);

// The messages of the check.
inline constexpr const char* kBadAddressText = "Please enter the correct IP address!";
// "'%s' is not a valid integer value" for `field`.
QString NotIntegerText(const QString& field);

// The list maker: `prefix` + "." + n for every n from `from` up to `to` (none when `from` is the
// greater). Both bounds must be decimal integers (else NotInteger) within 0..255 (else
// OutOfRange); the prefix is taken as it is.
struct AddressList {
    enum Result { Ok, NotInteger, OutOfRange } result = Ok;
    QStringList entries;  // valid when Ok
};
AddressList MakeAddressList(const QString& prefix, const QString& from, const QString& to);

}  // namespace orv
