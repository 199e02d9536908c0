#pragma once
// What the camera window hands back to its caller, who creates it before
// opening the window and reads it after the window has closed.
#include <QString>
#include <QStringList>

namespace vondrel {

struct ReturnInfo {
    QString picturePath; // the snapshot shown last; empty when none arrived
    bool accepted = false; // the guard closed the window with "确定"
    QStringList snapshots; // every snapshot file the window showed, accepted or not
};

} // namespace vondrel
