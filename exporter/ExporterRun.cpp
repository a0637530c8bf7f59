#include "exporter/ExporterRun.h"

#include "exporter/ExporterSampler.h"
#include "exporter/MetricsServer.h"
#include "exporter/MetricsText.h"
#include "exporter/TerminationSignals.h"
#include "exporter/TextfileWriter.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

namespace exporter {
namespace {

// How long --once waits for the clock thread's first estimate, so that the
// sample has frequencies.
constexpr auto ClockWait = std::chrono::seconds(2);

// One sample out to the textfile and the listener. A failed write is counted
// and reported once until the next one that works.
class Publisher {
public:
    Publisher(ExporterSampler& sampler, const ExporterOptions& options, const char* program)
        : m_sampler(sampler), m_options(options), m_program(program)
    {
        if (!options.textfile.empty())
            m_textfile.emplace(options.textfile);
    }

    void setServer(MetricsServer* server) { m_server = server; }

    std::string sampleText()
    {
        return metricsText(m_sampler.sample(m_options.alarmCelsius, m_errors));
    }

    void publish()
    {
        const std::string text = sampleText();
        if (m_server)
            m_server->publish(text);
        if (!m_textfile)
            return;
        const std::string error = m_textfile->write(text);
        if (!error.empty()) {
            ++m_errors.textfileWrite;
            if (error != m_lastError)
                std::fprintf(stderr, "%s: %s\n", m_program, error.c_str());
        }
        m_lastError = error;
    }

    bool writeOnce()
    {
        const std::string text = sampleText();
        if (!m_textfile)
            return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
        const std::string error = m_textfile->write(text);
        if (!error.empty())
            std::fprintf(stderr, "%s: %s\n", m_program, error.c_str());
        return error.empty();
    }

private:
    ExporterSampler& m_sampler;
    const ExporterOptions& m_options;
    const char* m_program;
    std::optional<TextfileWriter> m_textfile;
    MetricsServer* m_server = nullptr;
    ErrorCounts m_errors;
    std::string m_lastError;
};

} // namespace

int runExporter(const ExporterOptions& options, std::shared_ptr<platform::Processor> processor,
                monitor::GpuBackends gpus, const char* program)
{
    std::optional<TerminationSignals> termination;
    if (!options.once)
        termination.emplace();
    ExporterSampler sampler(std::move(processor), std::move(gpus));
    if (const std::string error = sampler.start(); !error.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return ExitStartFailed;
    }
    Publisher publisher(sampler, options, program);

    if (options.once) {
        const auto end = std::chrono::steady_clock::now() + ClockWait;
        while (!sampler.clockKnown() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return publisher.writeOnce() ? 0 : ExitStartFailed;
    }

    std::optional<MetricsServer> server;
    if (options.listen) {
        server.emplace();
        if (const std::string error = server->listen(options.listenAddress, options.listenPort); !error.empty()) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            return ExitStartFailed;
        }
        publisher.setServer(&*server);
        const bool v6 = options.listenAddress.find(':') != std::string::npos;
        std::fprintf(stderr, "%s: serving http://%s%s%s:%u/metrics\n", program, v6 ? "[" : "",
                     options.listenAddress.c_str(), v6 ? "]" : "", static_cast<unsigned>(server->port()));
    }
    publisher.publish();

    QTimer timer;
    timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&publisher] { publisher.publish(); });
    timer.start(static_cast<int>(options.intervalSeconds * 1000.0));
    QCoreApplication::exec();
    return 0;
}

} // namespace exporter
