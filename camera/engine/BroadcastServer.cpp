#include "BroadcastServer.h"

#include "EngineLog.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace quorvel {

namespace {

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool sendAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) == 1)
                continue;
        }
        return false;
    }
    return true;
}

struct Pending {
    int fd;
    QByteArray request;
    std::chrono::steady_clock::time_point deadline;
};

} // namespace

BroadcastServer::BroadcastServer(int maxClients) : m_MaxClients(maxClients) {}

BroadcastServer::~BroadcastServer()
{
    stopAccepting();
    closeHandedSockets();
}

bool BroadcastServer::open(int port, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        closeFd(m_ListenFd);
        return false;
    };
    if (port < 1 || port > 65535)
        return fail(QStringLiteral("port %1 is outside 1 to 65535").arg(port));
    m_ListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_ListenFd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const int one = 1;
    ::setsockopt(m_ListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(std::uint16_t(port));
    if (::bind(m_ListenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
        || ::listen(m_ListenFd, 16) != 0)
        return fail(QStringLiteral("port %1: %2").arg(port).arg(QString::fromLocal8Bit(std::strerror(errno))));
    m_Port = port;
    m_WakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_WakeFd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

void BroadcastServer::setSinks(GstElement *plain, GstElement *framed)
{
    m_pPlain = plain;
    m_pFramed = framed;
    if (plain)
        m_PlainSignal = g_signal_connect(plain, "client-fd-removed", G_CALLBACK(&BroadcastServer::onRemoved), this);
    if (framed)
        m_FramedSignal = g_signal_connect(framed, "client-fd-removed", G_CALLBACK(&BroadcastServer::onRemoved), this);
}

void BroadcastServer::start()
{
    if (m_ListenFd < 0 || m_Thread.joinable())
        return;
    m_Thread = std::thread([this] {
        ::prctl(PR_SET_NAME, "broadcast accept", 0, 0, 0);
        run();
    });
}

void BroadcastServer::stopAccepting()
{
    if (m_Thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_WakeFd, &one, sizeof one);
        m_Thread.join();
    }
    closeFd(m_ListenFd);
    closeFd(m_WakeFd);
}

void BroadcastServer::closeHandedSockets()
{
    // The sinks are stopped: they use none of these any more.
    if (m_pPlain && m_PlainSignal)
        g_signal_handler_disconnect(m_pPlain, m_PlainSignal);
    if (m_pFramed && m_FramedSignal)
        g_signal_handler_disconnect(m_pFramed, m_FramedSignal);
    m_PlainSignal = m_FramedSignal = 0;
    std::set<int> left;
    {
        std::lock_guard guard(m_lock);
        left.swap(m_Handed);
    }
    for (int fd : left)
        ::close(fd);
}

int BroadcastServer::clientCount() const
{
    std::lock_guard guard(m_lock);
    return int(m_Handed.size());
}

void BroadcastServer::onRemoved(GstElement *, gint fd, gint, gpointer self)
{
    // The sink is done with the socket (a client that closed, stalled past
    // the timeout or failed): it never closes sockets itself.
    auto *server = static_cast<BroadcastServer *>(self);
    bool ours = false;
    {
        std::lock_guard guard(server->m_lock);
        ours = server->m_Handed.erase(fd) > 0;
    }
    if (ours)
        ::close(fd);
}

bool BroadcastServer::isWindowsMediaRequest(const QByteArray &request)
{
    const QByteArray lower = request.toLower();
    return lower.contains("user-agent: nsplayer") || lower.contains("user-agent: nsserver")
        || lower.contains("pragma: xplaystrm") || lower.contains("pragma: xclientguid");
}

bool BroadcastServer::answer(int fd, const QByteArray &request)
{
    if (!request.startsWith("GET ") && !request.startsWith("HEAD ")) {
        sendAll(fd, QByteArrayLiteral("HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        return false;
    }
    {
        std::lock_guard guard(m_lock);
        if (int(m_Handed.size()) >= m_MaxClients) {
            sendAll(fd, QByteArrayLiteral(
                            "HTTP/1.0 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
            return false;
        }
    }
    const bool framed = m_pFramed && isWindowsMediaRequest(request);
    const QByteArray head = framed
        ? QByteArrayLiteral("HTTP/1.0 200 OK\r\nContent-Type: application/x-mms-framed\r\nServer: Cougar/9.01.01.3814\r\n"
                            "Cache-Control: no-cache\r\nPragma: no-cache\r\nPragma: features=\"broadcast\"\r\n"
                            "Connection: close\r\n\r\n")
        : QByteArrayLiteral("HTTP/1.0 200 OK\r\nContent-Type: video/x-ms-asf\r\nCache-Control: no-cache\r\n"
                            "Pragma: no-cache\r\nConnection: close\r\n\r\n");
    if (!sendAll(fd, head) || request.startsWith("HEAD "))
        return false;
    // A bounded kernel queue per client, so that one that stops reading
    // is noticed (and dropped after the sink's timeout) within seconds.
    const int sendBuffer = kClientSendBuffer;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    {
        std::lock_guard guard(m_lock);
        m_Handed.insert(fd);
    }
    g_signal_emit_by_name(framed ? m_pFramed : m_pPlain, "add", fd);
    return true;
}

void BroadcastServer::run()
{
    using clock = std::chrono::steady_clock;
    std::vector<Pending> pending;
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({m_WakeFd, POLLIN, 0});
        fds.push_back({m_ListenFd, POLLIN, 0});
        for (const Pending &p : pending)
            fds.push_back({p.fd, POLLIN, 0});
        int wait = -1;
        const auto now = clock::now();
        for (const Pending &p : pending) {
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(p.deadline - now).count());
            wait = wait < 0 ? std::max(left, 0) : std::min(wait, std::max(left, 0));
        }
        const int ready = ::poll(fds.data(), fds.size(), wait);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            break;
        std::vector<Pending> next;
        for (size_t i = 0; i < pending.size(); ++i) {
            Pending p = std::move(pending[i]);
            const short ev = fds[i + 2].revents;
            bool keep = true;
            if (ev & (POLLIN | POLLHUP | POLLERR)) {
                char buf[2048];
                const ssize_t n = ::recv(p.fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    keep = false;  // closed before the request ended
                } else {
                    p.request.append(buf, n);
                    if (p.request.contains("\r\n\r\n") || p.request.contains("\n\n")) {
                        if (!answer(p.fd, p.request))
                            ::close(p.fd);
                        continue;
                    }
                    keep = p.request.size() <= kMaxRequestBytes;
                }
            }
            if (keep && clock::now() >= p.deadline)
                keep = false;  // sends nothing, or too slowly
            if (keep)
                next.push_back(std::move(p));
            else
                ::close(p.fd);
        }
        pending.swap(next);
        if (fds[1].revents & POLLIN) {
            for (;;) {
                const int fd = ::accept4(m_ListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd < 0)
                    break;
                if (int(pending.size()) >= kMaxPending) {
                    ::close(fd);
                    continue;
                }
                pending.push_back({fd, {}, clock::now() + std::chrono::milliseconds(kRequestTimeoutMs)});
            }
        }
    }
    for (Pending &p : pending)
        ::close(p.fd);
}

QString BroadcastServer::localUrl(int port)
{
    QString address = QStringLiteral("127.0.0.1");
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs *a = list; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
                continue;
            const auto *in = reinterpret_cast<const sockaddr_in *>(a->ifa_addr);
            if ((ntohl(in->sin_addr.s_addr) >> 24) == 127)
                continue;
            char text[INET_ADDRSTRLEN] = {};
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) {
                address = QString::fromLatin1(text);
                break;
            }
        }
        ::freeifaddrs(list);
    }
    return QStringLiteral("http://%1:%2").arg(address).arg(port);
}

} // namespace quorvel
