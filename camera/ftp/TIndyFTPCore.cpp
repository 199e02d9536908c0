#include "TIndyFTPCore.h"

#include "FtpLog.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <curl/curl.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcFtp, "quorvel.ftp")

namespace quorvel {

namespace {

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct SlistFree {
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using SlistPtr = std::unique_ptr<curl_slist, SlistFree>;

// The picture's bytes, handed to libcurl in pieces.
struct UploadSource {
    const QByteArray *bytes;
    qsizetype offset = 0;
};

std::size_t readSource(char *buffer, std::size_t size, std::size_t count, void *userData)
{
    auto *source = static_cast<UploadSource *>(userData);
    const qsizetype left = source->bytes->size() - source->offset;
    const qsizetype n = std::min<qsizetype>(left, qsizetype(size * count));
    std::memcpy(buffer, source->bytes->constData() + source->offset, std::size_t(n));
    source->offset += n;
    return std::size_t(n);
}

// Host texts that would change the meaning of the address are refused.
bool usableHost(const QString &host)
{
    if (host.isEmpty())
        return false;
    for (const QChar c : host) {
        if (c.isSpace() || c == u'/' || c == u'@' || c == u'?' || c == u'#' || c == u'\\')
            return false;
    }
    return true;
}

// A path text as URL path segments; "/" separates levels and a leading "/"
// makes the path absolute on the server.
QString encodePath(const QString &path)
{
    QString out;
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += u'/';
        if (i == 0 && parts.at(0).isEmpty() && parts.size() > 1) {
            out += QStringLiteral("%2F");
            continue;
        }
        out += QString::fromLatin1(QUrl::toPercentEncoding(parts.at(i)));
    }
    return out;
}

// Failures after which the control connection is still good: only the
// file in hand is affected.
bool fileLevelFailure(CURLcode code)
{
    switch (code) {
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
        return true;
    default:
        return false;
    }
}

// A listing reply collected up to a bound.
struct ListingSink {
    QByteArray *bytes;
    const std::atomic<bool> *abort;
    bool cut = false;
};

std::size_t collectListing(char *data, std::size_t size, std::size_t count, void *userData)
{
    auto *sink = static_cast<ListingSink *>(userData);
    const qsizetype n = qsizetype(size * count);
    if (sink->abort->load())
        return 0;
    const qsizetype room = TIndyFTPCore::kMaxListingBytes - sink->bytes->size();
    if (n > room) {
        // What fits is kept; returning less than was given ends the transfer.
        sink->bytes->append(data, room);
        sink->cut = true;
        return 0;
    }
    sink->bytes->append(data, n);
    return size * count;
}

} // namespace

TIndyFTPCore::TIndyFTPCore(int cameraIndex, FtpTimeouts timeouts)
    : m_cameraIndex(cameraIndex), m_timeouts(timeouts)
{
    initCurlOnce();
}

TIndyFTPCore::~TIndyFTPCore()
{
    disconnect();
}

bool TIndyFTPCore::setServer(const QString &host, const QString &port, const QString &folder,
                             const QString &password, const QString &user)
{
    Server next;
    next.host = host.trimmed();
    next.folder = folder;
    next.user = user;
    next.password = password;
    bool ok = false;
    const int number = port.trimmed().toInt(&ok, 10);
    if (!ok || number < 1 || number > 65535) {
        FTP_WARN(m_cameraIndex) << QStringLiteral("port \"%1\" is not a port number: uploading is off for this camera")
                                       .arg(port);
    } else if (!next.host.isEmpty() && !usableHost(next.host)) {
        FTP_WARN(m_cameraIndex) << QStringLiteral("server \"%1\" is not a host name: uploading is off for this camera")
                                       .arg(next.host);
    } else {
        next.port = number;
        next.configured = !next.host.isEmpty();
    }
    std::lock_guard guard(m_serverLock);
    m_server = next;
    return next.configured;
}

bool TIndyFTPCore::isConfigured() const
{
    std::lock_guard guard(m_serverLock);
    return m_server.configured;
}

QString TIndyFTPCore::serverText() const
{
    std::lock_guard guard(m_serverLock);
    return QStringLiteral("%1:%2").arg(m_server.host).arg(m_server.port);
}

QString TIndyFTPCore::temporaryName(const QString &finalName)
{
    return finalName + QStringLiteral(".part");
}

QString TIndyFTPCore::mask(QString text) const
{
    if (!m_session.password.isEmpty())
        text.replace(m_session.password, QStringLiteral("***"));
    return text;
}

QString TIndyFTPCore::urlFor(const QString &folder, const QString &fileName) const
{
    QString host = m_session.host;
    if (host.contains(u':') && !host.startsWith(u'['))
        host = u'[' + host + u']';  // an IPv6 address
    QString url = QStringLiteral("ftp://%1:%2/").arg(host).arg(m_session.port);
    QString path = folder;
    if (path.endsWith(u'/') && path.size() > 1)
        path.chop(1);
    if (!path.isEmpty())
        url += encodePath(path) + u'/';
    if (!fileName.isEmpty())
        url += QString::fromLatin1(QUrl::toPercentEncoding(fileName));
    return url;
}

// An absolute folder as a URL that makes libcurl change to exactly that
// folder: "ftp://host:port/%2F/" gives "CWD /" and "ftp://host:port/%2Fa/b/"
// gives "CWD /a/b", whatever folder the login left the session in (a plain
// "ftp://host:port/" would list the login folder instead of "/").
QString TIndyFTPCore::folderUrl(const QString &absolutePath) const
{
    QStringList levels;
    for (const QString &level : absolutePath.split(u'/', Qt::SkipEmptyParts))
        levels << QString::fromLatin1(QUrl::toPercentEncoding(level));
    return urlFor(QString(), QString()) + QStringLiteral("%2F") + levels.join(u'/') + u'/';
}

// libcurl's callbacks, with exactly the types it calls them with.
struct CurlCallbacks {
    static std::size_t header(char *data, std::size_t size, std::size_t count, void *self);
    static int progress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static curl_socket_t open(void *self, curlsocktype purpose, curl_sockaddr *address);
    static int close(void *self, curl_socket_t fd);
};

std::size_t CurlCallbacks::header(char *data, std::size_t size, std::size_t count, void *self)
{
    // For FTP every server reply line arrives here.
    auto *core = static_cast<TIndyFTPCore *>(self);
    const QString line = QString::fromUtf8(data, qsizetype(size * count)).trimmed();
    if (!line.isEmpty())
        core->m_lastReply = line;
    return size * count;
}

curl_socket_t CurlCallbacks::open(void *self, curlsocktype, curl_sockaddr *address)
{
    auto *core = static_cast<TIndyFTPCore *>(self);
    std::lock_guard guard(core->m_multiLock);
    if (core->m_abort.load())
        return CURL_SOCKET_BAD;
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (fd >= 0)
        core->m_sockets.insert(fd);
    return fd;
}

int CurlCallbacks::close(void *self, curl_socket_t fd)
{
    auto *core = static_cast<TIndyFTPCore *>(self);
    std::lock_guard guard(core->m_multiLock);
    core->m_sockets.erase(fd);
    return ::close(fd);
}

int CurlCallbacks::progress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TIndyFTPCore *>(self)->m_abort.load() ? 1 : 0;
}

bool TIndyFTPCore::ensureConnected()
{
    if (m_connected)
        return true;
    if (m_abort.load()) {
        m_lastError = QStringLiteral("stopped");
        return false;
    }
    {
        std::lock_guard guard(m_serverLock);
        m_session = m_server;
    }
    if (!m_session.configured) {
        m_lastError = QStringLiteral("no usable server set");
        return false;
    }
    {
        std::lock_guard guard(m_multiLock);
        m_multi = curl_multi_init();
    }
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy) {
        m_lastError = QStringLiteral("libcurl could not start");
        disconnect();
        return false;
    }
    CURL *e = m_easy;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorBuffer);
    if (!m_session.user.isEmpty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, m_session.user.toUtf8().constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, m_session.password.toUtf8().constData());
    }
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(m_timeouts.connect_ms));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, long(m_timeouts.lowSpeed_s));
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_timeouts.response_s));
    // One CWD to the whole folder path, and when it fails one MKD of it.
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(e, CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR));
    curl_easy_setopt(e, CURLOPT_TRANSFERTEXT, 0L);  // binary
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlCallbacks::header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CurlCallbacks::progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    // The client knows its sockets, so that abort() can cut them: libcurl
    // then stops at once even where it waits on its own (a QUIT at the end).
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &CurlCallbacks::open);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &CurlCallbacks::close);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, this);

    // Logging in: a request for the login folder that transfers nothing.
    curl_easy_setopt(e, CURLOPT_URL, urlFor(QString(), QString()).toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    const int code = perform();
    if (code != CURLE_OK) {
        fail(code);
        disconnect();
        return false;
    }
    m_connected = true;
    m_folderPath.clear();
    return true;
}

bool TIndyFTPCore::enterFolder(const QString &subfolder)
{
    if (!ensureConnected())
        return false;
    const QString path = m_session.folder + subfolder;
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_URL, urlFor(path, QString()).toUtf8().constData());
    const int code = perform();
    if (code != CURLE_OK) {
        fail(code);
        return false;
    }
    m_folderPath = path;
    return true;
}

FtpFileResult TIndyFTPCore::uploadFile(const QString &path, const QString &remoteName)
{
    FtpFileResult result;
    result.path = path;
    const QFileInfo before(path);
    if (!before.exists()) {
        result.outcome = FtpFileOutcome::Missing;
        result.error = QStringLiteral("the local file does not exist");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = FtpFileOutcome::Unreadable;
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed) {
        result.outcome = FtpFileOutcome::Unreadable;
        result.error = file.errorString();
        return result;
    }
    // A file still being written would reach the server cut: it waits for a
    // later pass.
    const QFileInfo after(path);
    if (after.size() != bytes.size() || after.lastModified() != before.lastModified()
        || before.size() != bytes.size()) {
        result.outcome = FtpFileOutcome::Changing;
        result.error = QStringLiteral("the file changed while it was read (still being written)");
        return result;
    }
    if (!m_connected || m_abort.load()) {
        result.outcome = m_abort.load() ? FtpFileOutcome::Aborted : FtpFileOutcome::ConnectionLost;
        result.error = QStringLiteral("not connected");
        return result;
    }

    const QString finalName = remoteName.isEmpty() ? before.fileName() : remoteName;
    const QString tempName = temporaryName(finalName);
    SlistPtr rename(curl_slist_append(nullptr, ("RNFR " + tempName).toUtf8().constData()));
    curl_slist_append(rename.get(), ("RNTO " + finalName).toUtf8().constData());

    UploadSource source{&bytes};
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &readSource);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, &source);
    curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(bytes.size()));
    curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, rename.get());
    curl_easy_setopt(m_easy, CURLOPT_URL, urlFor(m_folderPath, tempName).toUtf8().constData());
    const int code = perform();
    curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, nullptr);
    if (code == CURLE_OK) {
        result.outcome = FtpFileOutcome::Stored;
        return result;
    }
    fail(code);
    result.error = m_lastError;
    if (code == CURLE_ABORTED_BY_CALLBACK || m_abort.load())  // a cut socket fails as a read error
        result.outcome = FtpFileOutcome::Aborted;
    else if (fileLevelFailure(CURLcode(code)))
        result.outcome = FtpFileOutcome::Refused;
    else
        result.outcome = FtpFileOutcome::ConnectionLost;
    return result;
}

std::vector<FtpFileResult> TIndyFTPCore::uploadFiles(const QStringList &files, const QString &subfolder,
                                                     const QString &remoteName)
{
    std::vector<FtpFileResult> results;
    const bool ready = ensureConnected() && enterFolder(subfolder);
    for (const QString &path : files) {
        const bool broken = !results.empty() && (results.back().outcome == FtpFileOutcome::ConnectionLost
                                                 || results.back().outcome == FtpFileOutcome::Aborted);
        if (!ready || broken) {
            FtpFileResult notSent;
            notSent.path = path;
            notSent.outcome = m_abort.load() ? FtpFileOutcome::Aborted : FtpFileOutcome::ConnectionLost;
            notSent.error = m_lastError;
            results.push_back(notSent);
            continue;
        }
        results.push_back(uploadFile(path, remoteName));
    }
    return results;
}

int TIndyFTPCore::listWith(const char *command, const QString &url, QByteArray &listing, bool &cut)
{
    ListingSink sink{&listing, &m_abort};
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, nullptr);
    // Looking at a folder never makes it.
    curl_easy_setopt(m_easy, CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR_NONE));
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &collectListing);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(m_easy, CURLOPT_URL, url.toUtf8().constData());
    const int code = perform();
    // Back to what uploads expect on the same handle.
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR));
    cut = sink.cut;
    return code;
}

bool TIndyFTPCore::hasOpenSockets()
{
    std::lock_guard guard(m_multiLock);
    return !m_sockets.empty();
}

FtpListResult TIndyFTPCore::listFolder(const QString &path)
{
    FtpListResult result;
    if (!ensureConnected()) {
        result.error = m_lastError;
        return result;
    }
    const QString url = folderUrl(path);
    QByteArray listing;
    bool cut = false;
    int code = CURLE_FTP_COULDNT_RETR_FILE;
    if (!m_mlsdRefused) {
        result.machineReadable = true;
        code = listWith("MLSD", url, listing, cut);
        long reply = 0;
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &reply);
        // The folder was entered and MLSD itself was refused: a server
        // without it gets the classic listing command.
        if (code == CURLE_FTP_COULDNT_RETR_FILE && reply >= 500 && reply < 600 && !m_abort.load()) {
            FTP_LOG(m_cameraIndex) << QStringLiteral("%1 refused MLSD (%2): listing with LIST")
                                          .arg(serverText(), mask(m_lastReply));
            m_mlsdRefused = true;
        }
    }
    if (m_mlsdRefused) {
        listing.clear();
        result.machineReadable = false;
        code = listWith("LIST", url, listing, cut);
    }
    const FtpListing parsed = result.machineReadable ? parseMlsdListing(listing) : parseUnixListing(listing);
    result.entries = parsed.entries;
    result.malformed = parsed.malformed;
    if (cut && !m_abort.load()) {
        result.error = QStringLiteral("the listing of %1 is longer than %2 MiB: only its first %2 MiB were read")
                           .arg(path)
                           .arg(kMaxListingBytes / (1024 * 1024));
    } else if (code != CURLE_OK) {
        fail(code);
        result.error = m_lastError;
    }
    // A connection libcurl closed (or abort() cut) is opened afresh by the
    // next call.
    if (code != CURLE_OK && (m_abort.load() || !hasOpenSockets()))
        disconnect();
    return result;
}

void TIndyFTPCore::disconnect()
{
    // Cleaning the multi handle closes the cached connection; libcurl sends
    // QUIT on a connection that is still good, bounded by the reply timeout.
    if (m_easy) {
        curl_easy_cleanup(m_easy);
        m_easy = nullptr;
    }
    CURLM *multi = nullptr;
    {
        std::lock_guard guard(m_multiLock);
        multi = m_multi;
        m_multi = nullptr;
    }
    if (multi)
        curl_multi_cleanup(multi);
    m_connected = false;
    m_mlsdRefused = false;
    m_folderPath.clear();
}

void TIndyFTPCore::abort()
{
    m_abort = true;
    std::lock_guard guard(m_multiLock);
    for (const int fd : m_sockets)
        ::shutdown(fd, SHUT_RDWR);  // the descriptor stays open until libcurl closes it
    if (m_multi)
        curl_multi_wakeup(m_multi);
}

void TIndyFTPCore::clearAbort()
{
    m_abort = false;
}

int TIndyFTPCore::perform()
{
    m_lastReply.clear();
    m_errorBuffer[0] = 0;
    if (m_abort.load())
        return CURLE_ABORTED_BY_CALLBACK;
    curl_multi_add_handle(m_multi, m_easy);
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            result = CURLE_GOT_NOTHING;
            while (CURLMsg *msg = curl_multi_info_read(m_multi, &left)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_easy)
                    result = msg->data.result;
            }
            break;
        }
        if (m_abort.load()) {
            // Removing the handle mid-transfer closes its connection.
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
    }
    curl_multi_remove_handle(m_multi, m_easy);
    return result;
}

void TIndyFTPCore::fail(int code)
{
    m_lastTimedOut = code == CURLE_OPERATION_TIMEDOUT;
    QString text = QString::fromUtf8(curl_easy_strerror(CURLcode(code)));
    const QString detail = QString::fromUtf8(m_errorBuffer).trimmed();
    if (!detail.isEmpty() && detail != text)
        text += QStringLiteral(" (%1)").arg(detail);
    if (code == CURLE_ABORTED_BY_CALLBACK || m_abort.load())
        text = QStringLiteral("stopped");
    if (!m_lastReply.isEmpty())
        text += QStringLiteral("; server said \"%1\"").arg(m_lastReply);
    m_lastError = mask(text);
}

} // namespace quorvel
