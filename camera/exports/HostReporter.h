// The reporter that hands the library's messages to a host's C callback
// (Quorvel_SetReporter): kind, title and text as UTF-8, on whatever thread
// raised the message.
#pragma once

#include "LibReporter.h"
#include "Quorvel.h"

#include <mutex>

namespace quorvel {

class HostReporter : public LibReporter {
public:
    void set(QuorvelReportFunction report, void *userData);
    bool installed() const;
    void report(Kind kind, const QString &text) override;

    static int kindNumber(Kind kind);

private:
    mutable std::mutex m_lock;  // guards the pair, never held during a call
    QuorvelReportFunction m_report = nullptr;
    void *m_userData = nullptr;
};

} // namespace quorvel
