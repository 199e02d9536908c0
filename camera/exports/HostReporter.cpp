#include "HostReporter.h"

namespace quorvel {

void HostReporter::set(QuorvelReportFunction report, void *userData)
{
    std::lock_guard guard(m_lock);
    m_report = report;
    m_userData = userData;
}

bool HostReporter::installed() const
{
    std::lock_guard guard(m_lock);
    return m_report != nullptr;
}

int HostReporter::kindNumber(Kind kind)
{
    switch (kind) {
    case Kind::Error:
        return QuorvelMessage_Error;
    case Kind::PlayCap:
        return QuorvelMessage_PlayCap;
    case Kind::Plain:
        return QuorvelMessage_Plain;
    case Kind::Exception:
        break;
    }
    return QuorvelMessage_Exception;
}

void HostReporter::report(Kind kind, const QString &text)
{
    QuorvelReportFunction report;
    void *userData;
    {
        std::lock_guard guard(m_lock);
        report = m_report;
        userData = m_userData;
    }
    if (!report)
        return;
    const QByteArray title = titleFor(kind).toUtf8();
    const QByteArray utf8 = text.toUtf8();
    // The callback may set another reporter, or call back into the library:
    // no lock of ours is held here.
    report(userData, kindNumber(kind), title.constData(), utf8.constData());
}

} // namespace quorvel
