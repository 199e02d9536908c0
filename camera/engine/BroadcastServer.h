// The HTTP side of a broadcast: a listening socket on the camera's port and
// one thread ("broadcast accept") that reads each request, answers it and
// hands the socket to the stream sink (multifdsink), which sends the stream
// header to late joiners and starts them on a key frame. Windows Media
// players (NSPlayer, mmsh://) get the framed stream, everyone else plain ASF.
#pragma once

#include <QString>

#include <gst/gst.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace quorvel {

class BroadcastServer {
public:
    // Requests must be complete within this time, else the client is dropped.
    static constexpr int kRequestTimeoutMs = 5000;
    static constexpr int kMaxRequestBytes = 8192;
    static constexpr int kMaxPending = 32;
    static constexpr int kClientSendBuffer = 64 * 1024;

    explicit BroadcastServer(int maxClients);
    ~BroadcastServer();
    BroadcastServer(const BroadcastServer &) = delete;
    BroadcastServer &operator=(const BroadcastServer &) = delete;

    // Binds and listens on every address; false (with the reason) when the
    // port is outside 1..65535 or cannot be opened.
    bool open(int port, QString *error = nullptr);
    int port() const { return m_Port; }

    // The sinks that take the answered sockets; framed may be null (then
    // Windows Media players get plain ASF). Call before start().
    void setSinks(GstElement *plain, GstElement *framed);
    // Starts the accept thread (after the sinks run).
    void start();
    // Stops accepting and closes the requests not answered yet; then, once
    // the sinks are stopped, closeHandedSockets() closes what they kept.
    void stopAccepting();
    void closeHandedSockets();

    int clientCount() const;
    // "http://" + this machine's first non-loopback IPv4 address (else
    // 127.0.0.1) + ":" + port.
    static QString localUrl(int port);
    static bool isWindowsMediaRequest(const QByteArray &request);

private:
    void run();
    bool answer(int fd, const QByteArray &request);
    static void onRemoved(GstElement *sink, gint fd, gint status, gpointer self);

    const int m_MaxClients;
    int m_Port = 0;
    int m_ListenFd = -1;
    int m_WakeFd = -1;  // eventfd: wakes the accept thread to stop
    GstElement *m_pPlain = nullptr;
    GstElement *m_pFramed = nullptr;
    gulong m_PlainSignal = 0;
    gulong m_FramedSignal = 0;
    std::thread m_Thread;

    mutable std::mutex m_lock;  // guards m_Handed
    std::set<int> m_Handed;     // sockets a sink holds
};

} // namespace quorvel
