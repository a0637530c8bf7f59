#pragma once
// An INI file held in memory with the reading and writing rules of the Windows
// profile functions (GetPrivateProfileInt, GetPrivateProfileString,
// WritePrivateProfileString). Pure: no file access. A document keeps the file
// line by line, so serialize() gives back every byte a write did not touch:
// comments, blank lines, unknown keys and sections, line endings, a UTF-8 BOM.
//
// Reading rules:
// - Section and key names compare case-insensitively (ASCII letters) after
//   trimming spaces and tabs; "[ Name ]" is the section "Name". A header
//   without a closing "]" is no header. The last "]" of the line closes it.
// - Lines whose first visible character is ';' or '#' are comments.
// - A key line is "name = value"; the name is trimmed, so is the value. A line
//   without '=' is no key: it reads as missing.
// - The first section of a name and the first key of a name in it win.
// - A NUL byte ends a name or value, as in a C string; the part before it is
//   then trimmed like any other.
// - Strings: a value wrapped in a matching pair of '"' or '\'' loses the pair.
// - Integers: see parseInt(). An empty value reads as the default.
//
// Lookups go through an index of the first section of each name and the first
// key of each name in it, so reading a key costs O(log n) whatever the file's
// size; writes keep the index in step with the lines.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniDocument {
public:
    IniDocument() = default;

    // Any bytes parse; junk simply holds no sections or keys.
    static IniDocument parse(std::string_view bytes);
    std::string serialize() const;

    // The trimmed value of a key line, quotes kept; nullopt when absent.
    std::optional<std::string> rawValue(std::string_view section, std::string_view key) const;

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Sets a key: replaces the value of its first line in the first section of
    // that name, or adds "key=value" after the section's last key line, or adds
    // the section at the end. The value reads back exactly as given: one with
    // outer blanks, or wrapped in a pair of quotes, is stored in double quotes. false, with the document unchanged, when a name
    // is empty or could not be read back (line breaks, NUL, ']' in a section
    // name, '=' in a key name, a key starting with ';', '#' or '[') or the
    // value holds a line break or NUL.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);

    // GetPrivateProfileInt's number rules: leading blanks, one optional '+' or
    // '-', then decimal digits or "0x"/"0X" and hexadecimal digits, up to the
    // first other character; no digits give 0. Digits accumulate in 32 bits and
    // wrap (4294967297 reads 1, 0xFFFFFFFF reads -1), as the Windows function
    // does; a '-' negates the wrapped value. (platform::leadingInteger,
    // DecimalOrHex and Wrap.)
    static int parseInt(std::string_view text);

    static bool isValidSectionName(std::string_view name);
    static bool isValidKeyName(std::string_view name);
    static bool isValidValue(std::string_view value);

private:
    struct Line {
        std::string text;   // without the line ending
        std::string ending; // "\r\n", "\n", or "" for a last line without one
    };

    // Orders names as the profile functions compare them: ASCII letters
    // without regard to case. Transparent, so a lookup needs no copy.
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };

    struct Section {
        size_t header = 0;  // index of the header line
        size_t lastKey = 0; // last key line of the section, or the header
        // First key line of each name, as an offset from the header, so that
        // lines inserted before the section leave it valid.
        std::map<std::string, size_t, NameLess> keys;
    };

    void indexLine(size_t index, Section*& current);
    const Section* findSection(std::string_view section) const;
    // Index of the line holding `key` in `section`, or npos.
    static size_t findKey(const Section& section, std::string_view key);
    void ensureEnding(size_t index);

    std::vector<Line> m_lines;
    bool m_bom = false;
    std::string m_newline = "\n"; // ending used for added lines
    // The first section of each name; later ones of the same name are never read.
    std::map<std::string, Section, NameLess> m_sections;
};

} // namespace platform
