#include "exporter/MetricsServer.h"

#include "exporter/MetricsText.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>

namespace exporter {

MetricsServer::MetricsServer()
{
    m_server.route("/metrics", QHttpServerRequest::Method::Get,
                   [this] { return QHttpServerResponse(QByteArray(MetricsContentType), m_text); });
}

std::string MetricsServer::listen(const std::string& address, uint16_t port)
{
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(address)))
        return "--listen: " + address + " is not an IP address; give one such as 127.0.0.1, 0.0.0.0 or ::1";
    m_port = m_server.listen(host, port);
    if (m_port == 0)
        return "cannot listen on " + address + ":" + std::to_string(port) +
               ": the port is in use or may not be opened by this user; choose another with --listen";
    return {};
}

void MetricsServer::publish(const std::string& text) { m_text = QByteArray::fromStdString(text); }

} // namespace exporter
