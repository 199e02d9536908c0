// Small widget makers the settings panels share.
#pragma once

#include <QPushButton>

namespace quorvel {

// A push button that never becomes the dialog's default: Enter in a field
// must not press it.
inline QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace quorvel
