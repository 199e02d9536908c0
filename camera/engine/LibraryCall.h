// Marks library code running on a thread: an export, or work the library
// queued to the UI thread. While it runs, the library may call into the host
// (its reporter callback, events of the host's widgets). An export that the
// host calls from there must not release or rebuild state that the outer
// code still uses; the exports ask active() and put such calls off until
// the library code has returned.
#pragma once

namespace quorvel {

class LibraryCallScope {
public:
    LibraryCallScope();
    ~LibraryCallScope();
    LibraryCallScope(const LibraryCallScope &) = delete;
    LibraryCallScope &operator=(const LibraryCallScope &) = delete;

    // True while library code runs on the calling thread.
    static bool active();
};

} // namespace quorvel
