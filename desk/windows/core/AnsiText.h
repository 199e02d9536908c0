#pragma once
// The desk's records and its export file use the Chinese ANSI code page.
// GB18030 is its superset, so converting to it never loses a character.
#include <QByteArray>
#include <QString>

namespace vondrel {

// `text` in GB18030, without a byte-order mark.
QByteArray toAnsi(const QString &text);

} // namespace vondrel
