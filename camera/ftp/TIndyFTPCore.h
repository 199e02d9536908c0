// The FTP client of one camera, on libcurl: binary transfers, libcurl's
// default (passive) data connections, one control connection from
// ensureConnected() to disconnect(). Used by the camera's upload thread only;
// setServer() and abort() may be called from any thread.
//
// Every file is stored under a temporary name and then renamed to its final
// name (replacing a file of that name), so a reader of the server folder
// never sees a cut file under a final name.
//
// listFolder() reads a folder of the server (for a folder chooser): MLSD,
// or LIST where the server refuses MLSD.
#pragma once

#include "FtpListing.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <set>
#include <vector>



namespace quorvel {

struct FtpTimeouts {
    int connect_ms = 10000;    // TCP connect and the server's greeting and login
    int lowSpeed_s = 30;       // a transfer slower than 1 byte/s this long ends
    int response_s = 30;       // longest wait for one server reply
};

enum class FtpFileOutcome {
    Stored,          // under its final name
    Missing,         // the local file does not exist (any more)
    Unreadable,      // the local file exists but cannot be read
    Changing,        // the local file changed while it was read
    Refused,         // the server refused to store or rename it; the connection works
    ConnectionLost,  // the connection failed: this and later files were not sent
    Aborted,         // abort() ended the transfer
};

struct FtpFileResult {
    QString path;
    FtpFileOutcome outcome = FtpFileOutcome::ConnectionLost;
    QString error;  // what went wrong, with the server's last reply; empty when stored
};

struct FtpListResult {
    std::vector<FtpListEntry> entries;  // what arrived, even when the listing failed part way
    int malformed = 0;                  // lines that could not be read
    bool machineReadable = false;       // true when MLSD was used
    QString error;                      // empty when the listing completed; else what went wrong (password masked)
};

class TIndyFTPCore {
public:
    explicit TIndyFTPCore(int cameraIndex = 0, FtpTimeouts timeouts = {});
    // Disconnects (the server gets QUIT when the connection is alive).
    ~TIndyFTPCore();
    TIndyFTPCore(const TIndyFTPCore &) = delete;
    TIndyFTPCore &operator=(const TIndyFTPCore &) = delete;

    // Takes effect at the next connection. A port text that is not a decimal
    // number from 1 to 65535, or a host text that cannot be a host name,
    // leaves the client unconfigured (no connection is tried) and logs one
    // line; returns whether the settings are usable.
    bool setServer(const QString &host, const QString &port, const QString &folder,
                   const QString &password, const QString &user);
    bool isConfigured() const;
    // "host:port" for log lines (never the password).
    QString serverText() const;

    // Connects and logs in unless connected already.
    bool ensureConnected();
    // Changes to the remote folder followed directly by `subfolder` (no
    // separator is added); a folder that does not exist is made (its last
    // level) and entered.
    bool enterFolder(const QString &subfolder);
    // Stores one local file in the current folder under `remoteName`, or
    // under the local file name when remoteName is empty.
    FtpFileResult uploadFile(const QString &path, const QString &remoteName);
    // ensureConnected, enterFolder, then every file in order. A file that
    // cannot be opened or stored is skipped; after a connection failure the
    // remaining files are reported ConnectionLost without being tried.
    std::vector<FtpFileResult> uploadFiles(const QStringList &files, const QString &subfolder,
                                           const QString &remoteName);
    // Connects (ensureConnected) unless connected, changes to the absolute
    // folder `path` ("/", "/a/b/"; a missing leading "/" is added) and lists
    // it: MLSD first, and LIST read as a Unix-style listing when the server
    // refuses MLSD with a 5xx reply. At most kMaxListingBytes are read;
    // beyond that the listing is cut and error says so. A connection dropped
    // during the listing keeps the entries of the complete lines that
    // arrived. The connection stays open after a refused or failed listing
    // when libcurl keeps it; the folder later uploads use is not changed. A
    // connection whose server refused MLSD lists with LIST from then on.
    FtpListResult listFolder(const QString &path);
    static constexpr qsizetype kMaxListingBytes = 8 * 1024 * 1024;

    void disconnect();
    bool isConnected() const { return m_connected; }
    // The remote folder of the connection (for log lines).
    QString remoteFolder() const { return m_session.folder; }

    // Any thread: ends the exchange in progress at once and refuses new ones
    // until clearAbort().
    void abort();
    void clearAbort();
    bool abortRequested() const { return m_abort.load(); }

    // The last failure: libcurl's text and the server's last reply, with the
    // password masked.
    QString lastError() const { return m_lastError; }
    bool lastFailureTimedOut() const { return m_lastTimedOut; }

    // The name a file is stored under before it is renamed to `finalName`.
    static QString temporaryName(const QString &finalName);

private:
    struct Server {
        QString host;
        int port = 21;
        QString folder;
        QString user;
        QString password;
        bool configured = false;
    };
    int perform();  // a CURLcode
    void fail(int code);
    QString urlFor(const QString &folder, const QString &fileName) const;
    QString folderUrl(const QString &absolutePath) const;
    // One listing command; the reply's bytes are added to `listing`.
    int listWith(const char *command, const QString &url, QByteArray &listing, bool &cut);
    bool hasOpenSockets();
    QString mask(QString text) const;

    friend struct CurlCallbacks;

    const int m_cameraIndex;
    const FtpTimeouts m_timeouts;

    mutable std::mutex m_serverLock;  // guards m_server (setServer from the UI thread)
    Server m_server;

    Server m_session;                // the settings the connection was opened with
    std::mutex m_multiLock;          // guards m_multi and m_sockets against abort() from other threads
    std::set<int> m_sockets;         // the connection's open sockets
    void *m_multi = nullptr;              // CURLM: holds the connection between transfers
    void *m_easy = nullptr;               // CURL
    bool m_connected = false;
    bool m_mlsdRefused = false;      // the server of this connection refused MLSD once
    QString m_folderPath;            // the folder entered, as a path text
    std::atomic<bool> m_abort{false};
    QString m_lastReply;
    QString m_lastError;
    bool m_lastTimedOut = false;
    char m_errorBuffer[256] = {};
};

} // namespace quorvel
