#include "CardReaderDialog.h"

#include "TFormICR.h"

namespace vondrel {

bool readIdCard(QWidget *owner, ICR &record)
{
    // The window frees itself when closed.
    auto *window = new TFormICR(owner, record);
    window->exec();
    return !record.name.isEmpty();
}

} // namespace vondrel
