// The public-address client against a SOAP server on 127.0.0.1: an answer,
// a fault, malformed XML, silence, and what the camera builds from them.
#include "PublicAddressClient.h"
#include "SoapTestServer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using broadcasttest::SoapTestServer;
using quorvel::PublicAddressClient;

namespace {

QByteArray envelope(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><soap:Body>"
        + body + "</soap:Body></soap:Envelope>";
}

const QByteArray kAnswer = envelope(
    "<getIPResponse xmlns=\"http://tempuri.org/\"><getIPResult>203.0.113.7</getIPResult></getIPResponse>");

TEST(PublicAddress, AnswerGivesTheAddressAndTheRequestIsTheGetIpCall)
{
    SoapTestServer server(200, kAnswer);
    QString error;
    const auto address = PublicAddressClient(QString::fromLatin1(server.url())).getIP(&error);
    ASSERT_TRUE(address.has_value()) << error.toStdString();
    EXPECT_EQ(*address, QStringLiteral("203.0.113.7"));
    const QByteArray request = server.request();
    EXPECT_TRUE(request.startsWith("POST /WebService.asmx HTTP/1.1\r\n")) << request.constData();
    EXPECT_TRUE(request.contains("SOAPAction: \"http://tempuri.org/getIP\"\r\n"));
    EXPECT_TRUE(request.contains("Content-Type: text/xml; charset=utf-8\r\n"));
    EXPECT_TRUE(request.contains("<getIP xmlns=\"http://tempuri.org/\"/>"));
    EXPECT_TRUE(request.contains("<soap:Body>"));
}

struct FailureCase {
    const char *name;
    int status;
    QByteArray body;
    const char *errorPart;
};

class PublicAddressFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PublicAddressFailure, IsAnErrorWithItsReason)
{
    const FailureCase &c = GetParam();
    SoapTestServer server(c.status, c.body);
    QString error;
    const auto address = PublicAddressClient(QString::fromLatin1(server.url())).getIP(&error);
    EXPECT_FALSE(address.has_value()) << address.value_or(QString()).toStdString();
    EXPECT_TRUE(error.contains(QLatin1String(c.errorPart))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Broadcast, PublicAddressFailure,
    ::testing::Values(
        FailureCase{"Fault", 500,
                    envelope("<soap:Fault><faultcode>soap:Server</faultcode><faultstring>no address "
                             "known</faultstring></soap:Fault>"),
                    "fault: no address known"},
        FailureCase{"Malformed", 200, "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>",
                    "malformed"},
        FailureCase{"NotSoap", 200, "<html><body>203.0.113.7</body></html>", "not a SOAP envelope"},
        FailureCase{"EmptyResult", 200,
                    envelope("<getIPResponse xmlns=\"http://tempuri.org/\"><getIPResult/></getIPResponse>"),
                    "no address"},
        FailureCase{"ResultNotAnAddress", 200,
                    envelope("<getIPResponse xmlns=\"http://tempuri.org/\"><getIPResult>a/b?c</getIPResult>"
                             "</getIPResponse>"),
                    "not an address"},
        FailureCase{"HttpError", 404, "not here", "HTTP 404"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PublicAddress, SilenceEndsWithinTheCallTimeout)
{
    SoapTestServer server(0, {});
    QElapsedTimer timer;
    timer.start();
    QString error;
    EXPECT_FALSE(PublicAddressClient(QString::fromLatin1(server.url())).getIP(&error).has_value());
    // The bound of the call itself, not a speed goal: a UI thread waits on it.
    EXPECT_LT(timer.elapsed(), PublicAddressClient::kTimeoutMs + 2000);
    EXPECT_TRUE(error.contains(QLatin1String("Timeout")) || error.contains(QLatin1String("timed out")))
        << error.toStdString();
}

TEST(PublicAddress, NoEndpointOrNotHttpIsAnError)
{
    for (const QString &endpoint : {QString(), QStringLiteral("ftp://127.0.0.1/x"), QStringLiteral("file:///etc/passwd")}) {
        QString error;
        EXPECT_FALSE(PublicAddressClient(endpoint).getIP(&error).has_value()) << endpoint.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
