// The library's own object on the UI thread, for work queued there that must
// outlive a camera but not the library: event records on their way to an
// owner (they still arrive when the camera is closed right after a
// snapshot) and exports put off until the library code has returned. It is
// destroyed, with whatever is still queued to it, when the library state is
// released for good (unloading), so no queued work of an unloaded library
// is left in the application's queue.
#pragma once

class QObject;

namespace quorvel {

// Created on first use, from any thread, living on the thread of the
// QCoreApplication; null when there is none.
QObject *libraryRelay();
// UI thread, once no camera runs any more.
void releaseLibraryRelay();

} // namespace quorvel
