#include "platform/IniDocument.h"

#include "platform/IntegerText.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t npos = std::string::npos;

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

// A name or value ends at a NUL byte, as it would in a C string.
std::string_view untilNul(std::string_view s)
{
    const size_t nul = s.find('\0');
    return nul == npos ? s : s.substr(0, nul);
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string_view name;  // section or key name, cut at NUL, trimmed
    std::string_view value; // key value, cut at NUL, trimmed
    size_t valueStart = 0;  // offset of the value in the line (after '=' and blanks)
};

ParsedLine parseLine(std::string_view text)
{
    ParsedLine line;
    const std::string_view body = trim(text);
    if (body.empty())
        return line;
    if (body.front() == ';' || body.front() == '#') {
        line.kind = LineKind::Comment;
        return line;
    }
    if (body.front() == '[') {
        const size_t close = body.rfind(']');
        if (close != npos) {
            line.kind = LineKind::Section;
            line.name = trim(untilNul(body.substr(1, close - 1)));
            return line;
        }
        // No closing bracket: not a header; it may still be a key line.
    }
    const size_t equals = text.find('=');
    if (equals == npos) {
        line.kind = LineKind::Other;
        return line;
    }
    line.kind = LineKind::Key;
    line.name = trim(untilNul(text.substr(0, equals)));
    size_t start = equals + 1;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    line.valueStart = start;
    line.value = trim(untilNul(text.substr(start)));
    return line;
}

std::string_view stripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool hasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

// The text stored for a value, so that reading gives the value back: a value
// with outer blanks, or one a pair of quotes would be stripped from, is
// wrapped in double quotes; any other value is stored as it is.
std::string storedValue(std::string_view value)
{
    const bool blanks = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    if (!blanks && stripQuotes(value).size() == value.size())
        return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

} // namespace

IniDocument IniDocument::parse(std::string_view bytes)
{
    IniDocument doc;
    if (bytes.substr(0, kBom.size()) == kBom) {
        doc.m_bom = true;
        bytes.remove_prefix(kBom.size());
    }
    bool endingChosen = false;
    Section* current = nullptr;
    while (!bytes.empty()) {
        const size_t newline = bytes.find('\n');
        Line line;
        if (newline == npos) {
            line.text = std::string(bytes);
            bytes = {};
        } else {
            size_t textEnd = newline;
            if (textEnd > 0 && bytes[textEnd - 1] == '\r')
                --textEnd;
            line.text = std::string(bytes.substr(0, textEnd));
            line.ending = std::string(bytes.substr(textEnd, newline + 1 - textEnd));
            bytes.remove_prefix(newline + 1);
            if (!endingChosen) {
                doc.m_newline = line.ending;
                endingChosen = true;
            }
        }
        doc.m_lines.push_back(std::move(line));
        doc.indexLine(doc.m_lines.size() - 1, current);
    }
    return doc;
}

std::string IniDocument::serialize() const
{
    size_t size = m_bom ? kBom.size() : 0;
    for (const Line& line : m_lines)
        size += line.text.size() + line.ending.size();
    std::string out;
    out.reserve(size);
    if (m_bom)
        out += kBom;
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

bool IniDocument::NameLess::operator()(std::string_view a, std::string_view b) const
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(lower(a[i]));
        const unsigned char y = static_cast<unsigned char>(lower(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

void IniDocument::indexLine(size_t index, Section*& current)
{
    const ParsedLine line = parseLine(m_lines[index].text);
    if (line.kind == LineKind::Section) {
        current = nullptr;
        if (line.name.empty())
            return; // "[]" ends the section before it but can never be read
        const auto [entry, added] = m_sections.try_emplace(std::string(line.name));
        if (added) {
            entry->second.header = index;
            entry->second.lastKey = index;
            current = &entry->second;
        }
        return; // a later section of a known name is never read
    }
    if (line.kind != LineKind::Key || current == nullptr)
        return;
    current->lastKey = index;
    if (!line.name.empty())
        current->keys.try_emplace(std::string(line.name), index - current->header);
}

const IniDocument::Section* IniDocument::findSection(std::string_view section) const
{
    section = trim(section);
    if (section.empty())
        return nullptr;
    const auto found = m_sections.find(section);
    return found == m_sections.end() ? nullptr : &found->second;
}

size_t IniDocument::findKey(const Section& section, std::string_view key)
{
    key = trim(key);
    if (key.empty())
        return npos;
    const auto found = section.keys.find(key);
    return found == section.keys.end() ? npos : section.header + found->second;
}

std::optional<std::string> IniDocument::rawValue(std::string_view section,
                                                 std::string_view key) const
{
    const Section* found = findSection(section);
    if (found == nullptr)
        return std::nullopt;
    const size_t index = findKey(*found, key);
    if (index == npos)
        return std::nullopt;
    return std::string(parseLine(m_lines[index].text).value);
}

std::string IniDocument::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const
{
    const std::optional<std::string> value = rawValue(section, key);
    if (!value)
        return std::string(defaultValue);
    return std::string(stripQuotes(*value));
}

int IniDocument::readInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::optional<std::string> value = rawValue(section, key);
    if (!value)
        return defaultValue;
    const std::string_view text = stripQuotes(*value);
    if (text.empty())
        return defaultValue;
    return parseInt(text);
}

int IniDocument::parseInt(std::string_view text)
{
    return leadingInteger(text, IntegerBase::DecimalOrHex, IntegerOverflow::Wrap).value_or(0);
}

bool IniDocument::isValidSectionName(std::string_view name)
{
    name = trim(name);
    return !name.empty() && !hasLineBreakOrNul(name) && name.find(']') == npos;
}

bool IniDocument::isValidKeyName(std::string_view name)
{
    name = trim(name);
    return !name.empty() && !hasLineBreakOrNul(name) && name.find('=') == npos
        && name.front() != ';' && name.front() != '#' && name.front() != '[';
}

bool IniDocument::isValidValue(std::string_view value)
{
    return !hasLineBreakOrNul(value);
}

void IniDocument::ensureEnding(size_t index)
{
    if (m_lines[index].ending.empty())
        m_lines[index].ending = m_newline;
}

bool IniDocument::writeString(std::string_view section, std::string_view key,
                              std::string_view value)
{
    if (!isValidSectionName(section) || !isValidKeyName(key) || !isValidValue(value))
        return false;
    section = trim(section);
    key = trim(key);
    const std::string stored = storedValue(value);

    const auto entry = m_sections.find(section);
    if (entry == m_sections.end()) {
        if (!m_lines.empty()) {
            ensureEnding(m_lines.size() - 1);
            if (!trim(m_lines.back().text).empty())
                m_lines.push_back({std::string(), m_newline});
        }
        Section added;
        added.header = m_lines.size();
        added.lastKey = added.header + 1;
        added.keys.emplace(std::string(key), 1);
        m_lines.push_back({"[" + std::string(section) + "]", m_newline});
        m_lines.push_back({std::string(key) + "=" + stored, m_newline});
        m_sections.emplace(std::string(section), std::move(added));
        return true;
    }

    Section* found = &entry->second;
    const size_t existing = findKey(*found, key);
    if (existing != npos) {
        Line& line = m_lines[existing];
        line.text.resize(parseLine(line.text).valueStart);
        line.text += stored;
        return true;
    }

    // The new line goes after the section's last key line; every section
    // that starts further down moves one line along.
    const size_t at = found->lastKey + 1;
    ensureEnding(found->lastKey);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                   Line{std::string(key) + "=" + stored, m_newline});
    for (auto& [name, other] : m_sections) {
        if (other.header >= at) {
            ++other.header;
            ++other.lastKey;
        }
    }
    found->keys.emplace(std::string(key), at - found->header);
    found->lastKey = at;
    return true;
}

bool IniDocument::writeInt(std::string_view section, std::string_view key, int value)
{
    return writeString(section, key, std::to_string(value));
}

} // namespace platform
