#include "ExporterProcess.h"

#include <gtest/gtest.h>

#include <regex>

namespace exportertest {
namespace {

constexpr const char* Prometheus = "/usr/bin/prometheus";

// A Prometheus of its own: one target, scraped every second, its storage in
// the test's folder.
class PrometheusServer {
public:
    PrometheusServer(const fs::path& dir, uint16_t target) : m_dir(dir), m_port(freePort())
    {
        std::ofstream(dir / "prometheus.yml") << "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                                                 "scrape_configs:\n  - job_name: ostrel\n    static_configs:\n"
                                                 "      - targets: ['127.0.0.1:" << target << "']\n";
        m_pid = spawnWith({Prometheus, "--config.file=" + (dir / "prometheus.yml").string(),
                           "--storage.tsdb.path=" + (dir / "data").string(),
                           "--web.listen-address=127.0.0.1:" + std::to_string(m_port)},
                          {}, dir / "prometheus.txt");
    }
    ~PrometheusServer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    PrometheusServer(const PrometheusServer&) = delete;
    PrometheusServer& operator=(const PrometheusServer&) = delete;

    std::string log() const { return readFile(m_dir / "prometheus.txt"); }
    std::string query(const std::string& expression) { return get(m_port, "/api/v1/query?query=" + expression); }

private:
    fs::path m_dir;
    uint16_t m_port;
    pid_t m_pid = -1;
};

TEST(PrometheusScrape, ItsQueryApiReturnsTheCoreTemperatures)
{
    if (::access(Prometheus, X_OK) != 0)
        GTEST_SKIP() << "prometheus is missing: install Debian's prometheus package (scripts/setup does)";
    ExporterProcess exporter;
    ASSERT_TRUE(exporter.start({"--listen", "127.0.0.1:0", "--interval", "1"},
                               {{"SIMULATED_CPU", "i7-2600k"}, {"SIMULATED_READOUT", "40,41,42,43"}}));
    const uint16_t port = exporter.servingPort();
    ASSERT_NE(port, 0) << exporter.output();
    PrometheusServer prometheus(exporter.dir(), port);

    // Each core's temperature, TjMax less its pinned readout, as Prometheus stored it.
    const std::regex sample(R"re("core":"(\d)"[^}]*\},"value":\[[0-9.]+,"(\d+)"\])re");
    // Both queries are asked again until both answer: a busy Prometheus may
    // cancel a query while it starts.
    const auto perCore = [&sample](const std::string& answer) {
        std::map<int, int> values;
        for (auto it = std::sregex_iterator(answer.begin(), answer.end(), sample); it != std::sregex_iterator(); ++it)
            values[std::stoi((*it)[1])] = std::stoi((*it)[2]);
        return values;
    };
    std::string answer;
    std::map<int, int> temperatures;
    std::map<int, int> tjMax;
    for (auto end = std::chrono::steady_clock::now() + 90s;
         (temperatures.size() < 4 || tjMax.size() < 4) && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(500ms)) {
        answer = prometheus.query("ostrel_core_temperature_celsius");
        temperatures = perCore(answer);
        tjMax = perCore(prometheus.query("ostrel_core_tjmax_celsius"));
    }
    ASSERT_EQ(temperatures.size(), 4u) << answer << "\n" << prometheus.log();
    ASSERT_EQ(tjMax.size(), 4u);
    for (const auto& [core, celsius] : temperatures)
        EXPECT_EQ(celsius, tjMax[core] - 40 - core) << "core " << core;
}

} // namespace
} // namespace exportertest
