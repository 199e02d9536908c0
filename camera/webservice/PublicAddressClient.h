// Client of the public-address web service (interface WebServiceSoap of
// service WebService): one SOAP 1.1 call, getIP, whose text result is the
// caller's address as the internet sees it.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quorvel {

class PublicAddressClient {
public:
    static constexpr const char *kNamespace = "http://tempuri.org/";
    // The call runs on the UI thread while the settings window waits.
    static constexpr long kTimeoutMs = 3000;
    // Library option (INI section "Settings") naming the service's address;
    // without it there is no public address.
    static constexpr const char *kEndpointKey = "PublicAddressService";

    explicit PublicAddressClient(QString endpoint) : m_Endpoint(std::move(endpoint)) {}

    // The address, or nullopt with the reason (no endpoint, no answer,
    // timeout, HTTP error, SOAP fault, malformed answer).
    std::optional<QString> getIP(QString *error = nullptr) const;

    // The request body, and the reading of an answer (public for tests).
    static QByteArray requestEnvelope();
    static std::optional<QString> parseResponse(const QByteArray &body, QString *error);

private:
    QString m_Endpoint;
};

} // namespace quorvel
