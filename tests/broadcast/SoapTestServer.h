// A one-request-at-a-time HTTP server on 127.0.0.1 for the public-address
// client: it keeps the last request and answers with a fixed status and
// body, or not at all.
#pragma once

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace broadcasttest {

class SoapTestServer {
public:
    // status 0: read the request and never answer.
    SoapTestServer(int status, QByteArray body) : m_Status(status), m_Body(std::move(body))
    {
        m_Listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_Listen, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(m_Listen, 4);
        socklen_t len = sizeof addr;
        ::getsockname(m_Listen, reinterpret_cast<sockaddr *>(&addr), &len);
        m_Port = ntohs(addr.sin_port);
        m_Thread = std::thread([this] { run(); });
    }
    ~SoapTestServer()
    {
        m_Stop = true;
        m_Thread.join();
        ::close(m_Listen);
    }
    int port() const { return m_Port; }
    QByteArray url() const { return "http://127.0.0.1:" + QByteArray::number(m_Port) + "/WebService.asmx"; }
    QByteArray request() const
    {
        std::lock_guard guard(m_lock);
        return m_Request;
    }

private:
    void run()
    {
        while (!m_Stop) {
            pollfd p{m_Listen, POLLIN, 0};
            if (::poll(&p, 1, 50) != 1)
                continue;
            const int fd = ::accept(m_Listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            QByteArray got;
            char buf[4096];
            for (;;) {
                pollfd c{fd, POLLIN, 0};
                if (::poll(&c, 1, 1000) != 1)
                    break;
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                got.append(buf, n);
                const qsizetype end = got.indexOf("\r\n\r\n");
                if (end < 0)
                    continue;
                const qsizetype at = got.toLower().indexOf("content-length:");
                const int length = at < 0 ? 0 : got.mid(at + 15, got.indexOf("\r\n", at) - at - 15).trimmed().toInt();
                if (got.size() >= end + 4 + length)
                    break;
            }
            {
                std::lock_guard guard(m_lock);
                m_Request = got;
            }
            if (m_Status == 0) {
                while (!m_Stop)  // silence: hold the connection open
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } else {
                const QByteArray head = "HTTP/1.1 " + QByteArray::number(m_Status)
                    + " X\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: "
                    + QByteArray::number(m_Body.size()) + "\r\nConnection: close\r\n\r\n";
                const QByteArray all = head + m_Body;
                [[maybe_unused]] ssize_t n = ::send(fd, all.constData(), size_t(all.size()), MSG_NOSIGNAL);
            }
            ::close(fd);
        }
    }

    const int m_Status;
    const QByteArray m_Body;
    int m_Listen = -1;
    int m_Port = 0;
    std::atomic<bool> m_Stop{false};
    mutable std::mutex m_lock;
    QByteArray m_Request;
    std::thread m_Thread;
};

} // namespace broadcasttest
