#include "app/typed_address.h"

#include "controls/dialogs.h"

namespace orv {

AddressCheck CheckAddressInput(ui::Dialogs& dialogs, QWidget* parent, const QString& text) {
    AddressCheck r = CheckAddressFields(text);
    if (r.result == AddressCheck::NotInteger)
        dialogs.ErrorBox(parent, NotIntegerText(r.field));
    else if (r.result == AddressCheck::OutOfRange)
        dialogs.Warn(parent, QString::fromLatin1(kBadAddressText));
    return r;
}

}  // namespace orv
