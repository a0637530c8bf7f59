#pragma once
// A scratch folder per test and small file helpers.

#include "monitor/settings/ProcessorFacts.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace monitor::test {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The key lines of a file in order, as (section, key, value); blanks and
// comments left out. Key and section names keep their spelling.
struct KeyLine {
    std::string section;
    std::string key;
    std::string value;
    bool operator==(const KeyLine&) const = default;
};

inline std::vector<KeyLine> keyLines(const std::string& text)
{
    std::vector<KeyLine> lines;
    std::string section;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            lines.push_back({section, line.substr(0, equals), line.substr(equals + 1)});
    }
    return lines;
}

inline std::ostream& operator<<(std::ostream& out, const KeyLine& line)
{
    return out << "[" << line.section << "] " << line.key << "=" << line.value;
}

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ostrel-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_ini = (m_folder / "Ostrel.ini").string();
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
    std::string m_ini;
};

// A four-core processor of the Core 2 generation; `cores` core slots present.
inline ProcessorFacts core2Processor(int cores = 4)
{
    ProcessorFacts facts;
    facts.signature = 0x10677;
    facts.brandString = "Intel(R) Core(TM)2 Quad CPU    Q9550  @ 2.83GHz";
    for (int slot = 0; slot < cores; ++slot)
        facts.coreCpu[slot] = slot;
    facts.tjMax = {95, 95, 95, 95, 95, 95, 95, 95};
    return facts;
}

// A processor with `cpus` logical CPUs whose registers of `indexes` exist (as
// 0) on every CPU; other registers fail to read and write.
inline fake::FakeProcessor registerProcessor(uint32_t cpus, std::initializer_list<uint32_t> indexes)
{
    fake::FakeProcessor processor;
    std::vector<uint32_t> apicIds;
    for (uint32_t cpu = 0; cpu < cpus; ++cpu)
        apicIds.push_back(cpu);
    processor.setApicIds(apicIds);
    for (uint32_t index : indexes)
        processor.setMsrOnAll(index, 0);
    return processor;
}

} // namespace monitor::test
