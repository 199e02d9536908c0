// The source's element properties as a two-column list in a window of its
// own (window-modal, frees itself when closed).
#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

namespace quorvel {

// Opens the window over `parent`'s window and returns at once.
QWidget *showSourceProperties(QWidget *parent, const QList<QPair<QString, QString>> &props);

} // namespace quorvel
