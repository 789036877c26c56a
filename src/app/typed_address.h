// The check of an address typed into a page, with its message boxes (IP-to-Domain Converter
// and Batch Ping pages); the check itself lives with the address ranges.
#pragma once

#include <QString>

#include "lookup/address_ranges.h"

class QWidget;

namespace orv {

namespace ui {
class Dialogs;
}

// Runs the check and shows its message: the standard error box for a field that is not an
// integer, the warning box "Please enter the correct IP address!" for one out of range.
// Returns the check; the caller goes on only when it is Ok.
AddressCheck CheckAddressInput(ui::Dialogs& dialogs, QWidget* parent, const QString& text);

}  // namespace orv
