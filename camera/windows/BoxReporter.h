// The library's reporter while the host has installed none: shows each
// message in a box on the UI thread. Messages raised on a streaming thread,
// or inside a pipeline build, are queued and shown once the current work is
// done, so a box never runs a nested event loop inside a state change.
#pragma once

#include "LibReporter.h"

namespace quorvel {

class BoxReporter : public LibReporter {
public:
    void report(Kind kind, const QString &text) override;
};

} // namespace quorvel
