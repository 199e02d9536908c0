#pragma once
// The application title: the caption of the desk's plain message boxes. Until
// start-up sets it (to the option productName) it is the program's name.
#include <QString>

namespace vondrel {

QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace vondrel
