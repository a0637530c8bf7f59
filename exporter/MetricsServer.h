#pragma once
// The HTTP side of the exporter: GET /metrics answers the last sample's text;
// every other path and method gets 404. Plain HTTP, read-only, on the
// calling thread's event loop.

#include <QByteArray>
#include <QHttpServer>

#include <cstdint>
#include <string>

namespace exporter {

class MetricsServer {
public:
    MetricsServer();

    // Starts listening (port 0: one the system chooses); empty when it
    // works, else what is wrong.
    std::string listen(const std::string& address, uint16_t port);
    // The port it listens on.
    uint16_t port() const { return m_port; }
    // The text the next scrape gets.
    void publish(const std::string& text);

private:
    QHttpServer m_server;
    QByteArray m_text;
    uint16_t m_port = 0;
};

} // namespace exporter
