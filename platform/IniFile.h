#pragma once
// The settings file: an IniDocument read from and written to one path.
//
// Each readInt/readString/writeString call reads the file afresh, like the
// Windows profile functions. To read or write many keys, load() once, work on
// the document and save() it: one atomic replacement for the whole batch.
//
// Saving writes a temporary file beside the target, flushes it to disk and
// renames it over the target, so a crash at any moment leaves either the old
// or the new file. The new file keeps the old one's permissions and, where the
// process may, its owner. A symbolic link is followed: its target is replaced.

#include "platform/IniDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return m_path; }

    // The file's document; an empty one when the file does not exist, nullopt
    // when it exists but cannot be read (writing would then destroy it).
    std::optional<IniDocument> load() const;

    // Replaces the file with the document. false when any step fails; the file
    // is then as it was and no temporary file is left.
    bool save(const IniDocument& document) const;

    int readInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Load, set one key, save. false when the names or value are not writable
    // (see IniDocument::writeString) or the file could not be read or replaced.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);

private:
    std::string m_path;
};

} // namespace platform
