#pragma once
// First use of the camera on a machine without one: the camera library then
// has no source to show, and a new guard would look at a black panel. The
// desk gives the library its built-in moving test picture instead, stored as
// the library's own stream source list ("SoruceUrl.bin" in the data folder),
// so it stays visible and editable in the library's device settings. With a
// capture device present nothing is written and the camera is used.
#include <QString>

#include <functional>

namespace vondrel {

// The source identification of the library's test picture.
inline const QString testPictureSource = QStringLiteral("testsrc");

// True when the machine has a video capture device node (/dev/video*).
bool captureDevicePresent();

// When no capture device exists and "SoruceUrl.bin" in `dataFolder` is
// missing or lists no source, writes "testsrc" as its only source. Returns
// true when it wrote the file. A file that already lists a source is never
// touched; a write that fails keeps the old file and is reported. `hasDevice`
// replaces the device check (tests).
bool prepareCameraSources(const QString &dataFolder,
                          const std::function<bool()> &hasDevice = captureDevicePresent);

} // namespace vondrel
