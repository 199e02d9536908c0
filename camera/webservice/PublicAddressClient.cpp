#include "PublicAddressClient.h"

#include <QUrl>
#include <QXmlStreamReader>

#include <curl/curl.h>

#include <memory>

namespace quorvel {

namespace {

constexpr const char *kSoapEnv = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr qsizetype kMaxAnswerBytes = 64 * 1024;

struct CurlDeleter {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

size_t collect(char *data, size_t size, size_t count, void *user)
{
    auto *out = static_cast<QByteArray *>(user);
    const size_t n = size * count;
    if (out->size() + qsizetype(n) > kMaxAnswerBytes)
        return 0;  // aborts the transfer: no address is that long
    out->append(data, qsizetype(n));
    return n;
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QByteArray PublicAddressClient::requestEnvelope()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                             "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                             "<soap:Body><getIP xmlns=\"")
        + kNamespace + QByteArrayLiteral("\"/></soap:Body></soap:Envelope>");
}

std::optional<QString> PublicAddressClient::parseResponse(const QByteArray &body, QString *error)
{
    // Envelope > Body > getIPResponse > getIPResult (text), or Body > Fault.
    QXmlStreamReader xml(body);
    bool inBody = false;
    bool sawEnvelope = false;
    int depthInBody = 0;
    QString faultString;
    bool fault = false;
    std::optional<QString> result;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView ns = xml.namespaceUri();
            const QStringView name = xml.name();
            if (!sawEnvelope) {
                if (ns != QLatin1String(kSoapEnv) || name != QLatin1String("Envelope")) {
                    setError(error, QStringLiteral("the answer is not a SOAP envelope"));
                    return std::nullopt;
                }
                sawEnvelope = true;
                continue;
            }
            if (!inBody) {
                if (ns == QLatin1String(kSoapEnv) && name == QLatin1String("Body"))
                    inBody = true;
                else
                    xml.skipCurrentElement();  // header blocks
                continue;
            }
            ++depthInBody;
            if (depthInBody == 1 && ns == QLatin1String(kSoapEnv) && name == QLatin1String("Fault")) {
                fault = true;
            } else if (fault && name == QLatin1String("faultstring")) {
                faultString = xml.readElementText(QXmlStreamReader::SkipChildElements);
                --depthInBody;
            } else if (!fault && depthInBody == 2 && name == QLatin1String("getIPResult")) {
                result = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).trimmed();
                --depthInBody;
            }
        } else if (token == QXmlStreamReader::EndElement && inBody) {
            if (depthInBody == 0)
                inBody = false;
            else
                --depthInBody;
        }
    }
    if (xml.hasError()) {
        setError(error, QStringLiteral("malformed answer: %1").arg(xml.errorString()));
        return std::nullopt;
    }
    if (fault) {
        setError(error, QStringLiteral("the service reports a fault: %1").arg(faultString));
        return std::nullopt;
    }
    if (!result || result->isEmpty()) {
        setError(error, QStringLiteral("the answer has no address"));
        return std::nullopt;
    }
    // One host name or address: nothing that could break the URL built from it.
    for (QChar c : *result) {
        if (!(c.isLetterOrNumber() || c == u'.' || c == u':' || c == u'-' || c == u'[' || c == u']')
            || c.unicode() > 127) {
            setError(error, QStringLiteral("the answer is not an address: %1").arg(result->left(64)));
            return std::nullopt;
        }
    }
    return result;
}

std::optional<QString> PublicAddressClient::getIP(QString *error) const
{
    if (m_Endpoint.isEmpty()) {
        setError(error, QStringLiteral("no public-address service is configured"));
        return std::nullopt;
    }
    const QUrl url(m_Endpoint);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        setError(error, QStringLiteral("the service address is not an http address: %1").arg(m_Endpoint));
        return std::nullopt;
    }
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    std::unique_ptr<CURL, CurlDeleter> curl(curlReady ? curl_easy_init() : nullptr);
    if (!curl) {
        setError(error, QStringLiteral("libcurl could not be started"));
        return std::nullopt;
    }
    const QByteArray endpoint = m_Endpoint.toUtf8();
    const QByteArray body = requestEnvelope();
    const QByteArray action = QByteArrayLiteral("SOAPAction: \"") + kNamespace + "getIP\"";
    curl_slist *list = nullptr;
    list = curl_slist_append(list, "Content-Type: text/xml; charset=utf-8");
    list = curl_slist_append(list, action.constData());
    list = curl_slist_append(list, "Expect:");
    std::unique_ptr<curl_slist, SlistDeleter> headers(list);
    QByteArray answer;
    CURL *c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, endpoint.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, long(body.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, kTimeoutMs);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, kTimeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) {
        setError(error, QStringLiteral("no answer from %1: %2").arg(m_Endpoint, QString::fromUtf8(curl_easy_strerror(rc))));
        return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    // A SOAP fault comes with status 500: read it for its text.
    if (status != 200 && status != 500) {
        setError(error, QStringLiteral("the service answered HTTP %1").arg(status));
        return std::nullopt;
    }
    auto address = parseResponse(answer, error);
    if (address && status != 200) {
        setError(error, QStringLiteral("the service answered HTTP %1").arg(status));
        return std::nullopt;
    }
    return address;
}

} // namespace quorvel
