#pragma once
// The call the registration form makes for its "读卡" button.
#include "Icr.h"

class QWidget;

namespace vondrel {

// Opens the card reader window modally over `owner` with `record` and waits
// until it closes. Returns true when a card was taken over, that is when the
// record's `name` is not empty afterwards. The card photo, when the reader
// wrote one, is then at cardPhotoPath() (CardFolder.h).
bool readIdCard(QWidget *owner, ICR &record);

} // namespace vondrel
