// Fuzz target for the settings-file reader and writer. Any bytes are a settings
// file: they must parse, read and take writes without a crash, and the document
// must keep its promises:
// - parse then serialize gives back the bytes unchanged;
// - after writing K=V, reading K gives V, outer blanks and quotes included,
//   and every other key reads as before;
// - a refused write leaves the document unchanged;
// - after writes, every lookup finds what it finds in the document parsed afresh.
// The same entry point replays the seed corpus as an ordinary test.

#include "platform/IniDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using platform::IniDocument;

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "ini_fuzzer: broken promise: %s\n", what);
        std::abort();
    }
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b)
{
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Section and key names as they appear in the bytes, plus a few fixed ones, so
// that writes hit existing keys, new keys and new sections.
void collectNames(std::string_view bytes, std::vector<std::string>& sections,
                  std::vector<std::string>& keys)
{
    sections = {"Ostrel", "Fuzz"};
    keys = {"TjMax", "NewKey"};
    while (!bytes.empty() && (sections.size() < 8 || keys.size() < 8)) {
        const size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        const std::string_view body = trim(line);
        const size_t close = body.rfind(']');
        if (!body.empty() && body.front() == '[' && close != std::string_view::npos) {
            if (sections.size() < 8)
                sections.emplace_back(body.substr(1, close - 1));
        } else if (const size_t equals = line.find('='); equals != std::string_view::npos) {
            if (keys.size() < 8)
                keys.emplace_back(line.substr(0, equals));
        }
    }
}

using Snapshot = std::vector<std::optional<std::string>>;

Snapshot snapshot(const IniDocument& doc, const std::vector<std::string>& sections,
                  const std::vector<std::string>& keys)
{
    Snapshot values;
    for (const std::string& section : sections)
        for (const std::string& key : keys)
            values.push_back(doc.rawValue(section, key));
    return values;
}

void writeAndCheck(IniDocument& doc, const std::vector<std::string>& sections,
                   const std::vector<std::string>& keys, const std::string& section,
                   const std::string& key, const std::string& value)
{
    const Snapshot before = snapshot(doc, sections, keys);
    const std::string text = doc.serialize();
    const bool valid = IniDocument::isValidSectionName(section) && IniDocument::isValidKeyName(key)
        && IniDocument::isValidValue(value);
    const bool written = doc.writeString(section, key, value);
    check(written == valid, "write accepted exactly the valid names and values");
    if (!written) {
        check(doc.serialize() == text, "refused write left the document unchanged");
        return;
    }
    const IniDocument reparsed = IniDocument::parse(doc.serialize());
    check(reparsed.serialize() == doc.serialize(), "written document round-trips");

    check(reparsed.readString(section, key, "\x01") == value, "written value reads back");

    const Snapshot after = snapshot(reparsed, sections, keys);
    check(snapshot(doc, sections, keys) == after, "lookups after a write find what a fresh parse finds");
    size_t i = 0;
    for (const std::string& s : sections)
        for (const std::string& k : keys) {
            if (!(sameName(s, section) && sameName(k, key)))
                check(after[i] == before[i], "other keys unchanged by a write");
            ++i;
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(bytes);
    check(doc.serialize() == bytes, "parse then serialize gives the bytes back");

    std::vector<std::string> sections, keys;
    collectNames(bytes, sections, keys);
    for (const std::string& section : sections)
        for (const std::string& key : keys) {
            const std::string value = doc.readString(section, key, "");
            IniDocument::parseInt(value);
            doc.readInt(section, key, -1);
        }

    // The input's tail supplies the values and its hash picks the names.
    uint32_t hash = 2166136261u;
    for (const char c : bytes)
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    const std::string raw(bytes.substr(bytes.size() > 12 ? bytes.size() - 12 : 0));
    std::string clean = raw;
    for (char& c : clean)
        if (c == '\r' || c == '\n' || c == '\0')
            c = '_';

    for (int round = 0; round < 3; ++round) {
        const std::string& section = sections[(hash >> (round * 8)) % sections.size()];
        const std::string& key = keys[(hash >> (round * 8 + 4)) % keys.size()];
        writeAndCheck(doc, sections, keys, section, key, round == 0 ? raw : clean);
    }

    const int number = static_cast<int>(hash);
    if (doc.writeInt("Fuzz", "Number", number))
        check(IniDocument::parse(doc.serialize()).readInt("Fuzz", "Number", 0) == number,
              "written integer reads back");
    return 0;
}
