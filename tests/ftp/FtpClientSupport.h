#pragma once
// Setting up a client against the test server, shared by the client tests.
#include "FtpTestSupport.h"
#include "TIndyFTPCore.h"

#include <gtest/gtest.h>

namespace ftptest {

// Short enough that a failing case ends quickly, long enough for a loaded CI machine.
inline quorvel::FtpTimeouts quickTimeouts()
{
    quorvel::FtpTimeouts t;
    t.connect_ms = 3000;
    t.lowSpeed_s = 5;
    t.response_s = 5;
    return t;
}

inline void pointAt(quorvel::TIndyFTPCore &client, FtpTestServer &server, const QString &folder = QString())
{
    // The argument order of the record: host, port, folder, password, user.
    ASSERT_TRUE(client.setServer(QStringLiteral("127.0.0.1"), QString::number(server.port()), folder,
                                 server.options().password, server.options().user));
}

} // namespace ftptest
