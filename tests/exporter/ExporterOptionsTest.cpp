#include "exporter/ExporterOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace exporter {
namespace {

TEST(ExporterOptions, ArgumentsGiveTheRunTheyName)
{
    struct Case {
        std::vector<std::string> arguments;
        double interval;
        std::string textfile;
        bool listen;
        std::string address;
        uint16_t port;
        bool once;
    };
    const Case cases[] = {
        {{}, 5.0, "", true, "127.0.0.1", 9757, false},
        {{"--textfile", "/t/o.prom"}, 5.0, "/t/o.prom", false, "127.0.0.1", 9757, false},
        {{"--textfile=/t/o.prom", "--listen", "0.0.0.0:9100"}, 5.0, "/t/o.prom", true, "0.0.0.0", 9100, false},
        {{"--interval", "0.5", "--listen=[::1]:0"}, 0.5, "", true, "::1", 0, false},
        {{"--once"}, 5.0, "", false, "127.0.0.1", 9757, true},
        {{"--once", "--textfile", "o.prom", "--interval=60"}, 60.0, "o.prom", false, "127.0.0.1", 9757, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const ParsedOptions parsed = parseExporterOptions(c.arguments);
        ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
        EXPECT_EQ(parsed.options.intervalSeconds, c.interval);
        EXPECT_EQ(parsed.options.textfile, c.textfile);
        EXPECT_EQ(parsed.options.listen, c.listen);
        EXPECT_EQ(parsed.options.listenAddress, c.address);
        EXPECT_EQ(parsed.options.listenPort, c.port);
        EXPECT_EQ(parsed.options.once, c.once);
    }
}

TEST(ExporterOptions, WrongArgumentsSayWhatIsWrong)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string named; // the error names this
    };
    const Case cases[] = {
        {{"--interval", "0"}, "0.1 to 86400"},
        {{"--interval", "5s"}, "--interval 5s"},
        {{"--interval"}, "needs a value"},
        {{"--listen", "9757"}, "127.0.0.1:9757"},
        {{"--listen", "127.0.0.1:65536"}, "65535"},
        {{"--listen", ":9757"}, "--listen :9757"},
        {{"--textfile", "/var/lib/"}, "path of a file"},
        {{"--alarm", "hot"}, "--alarm hot"},
        {{"--once", "--listen", "127.0.0.1:1"}, "leave --listen out"},
        {{"--once=1"}, "takes no value"},
        {{"--port", "1"}, "unknown argument --port"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const ParsedOptions parsed = parseExporterOptions(c.arguments);
        EXPECT_EQ(parsed.outcome, ParseOutcome::Error);
        EXPECT_NE(parsed.error.find(c.named), std::string::npos) << parsed.error;
    }
    EXPECT_EQ(parseExporterOptions({"--interval", "1", "--help"}).outcome, ParseOutcome::Help);
}

} // namespace
} // namespace exporter
