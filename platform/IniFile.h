#pragma once
// The settings file: an IniDocument read from and written to one path.
//
// Each readInt/readString/writeString call reads the file afresh, like the
// Windows profile functions. To read or write many keys, load() once, work on
// the document and save() it: one atomic replacement for the whole batch.
//
// Only a regular file of at most 1 MiB is read. Anything else at the path (a
// symbolic link, a FIFO, a device, a folder, a huge file) is reported on
// standard error and reads as no settings; the path is then never written:
// a save fails and leaves it as it is. A symbolic link is never followed.
//
// load() opens the folder once and keeps that descriptor together with what
// it found at the path; save() works inside that folder from what load()
// found, without looking the path up again. Saving writes a temporary file
// ".<name>.XXXXXX" beside the target, flushes it to disk and renames it over
// the target, so a crash at any moment leaves either the old or the new file.
// A temporary file that a killed save left behind (older than a minute) is
// removed by the next save. The new file keeps the old one's permissions and,
// where the process may, its owner; a new file gets mode 0644.
//
// Run as root for a desktop user (sudo, pkexec: see InvokingUser.h), the file
// is written only in a folder that user may write, and a new file belongs to
// that user. Root, for a user or in a root session of its own, reads and
// replaces only a file that belongs to root or to that user, has no other
// hard link and that nobody else may write; any other reads as no settings
// and is never written, like a symbolic link.
//
// A save that would make the file larger than a load accepts is refused; the
// old file stays.
//
// An IniFile is one batch: use it from one thread at a time.

#include "platform/IniDocument.h"
#include "platform/InvokingUser.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class IniFile {
public:
    // Larger files are not settings files; they are skipped, never read.
    static constexpr size_t kMaxSize = 1024 * 1024;

    explicit IniFile(std::string path);

    const std::string& path() const { return m_path; }

    // Whom a root process writes the file for. By default the process's own
    // invoking user (platform::invokingUser()); nullopt is a genuine root
    // session. Lets a test running as root pose as another user.
    void setInvokingUser(std::optional<InvokingUser> user);

    // The file's document; an empty one when the file does not exist, nullopt
    // when something else is at the path or it cannot be read (writing would
    // then destroy it). A refusal is reported on standard error.
    std::optional<IniDocument> load() const;

    // Replaces the file with the document. false when the path was refused or
    // any step fails, reported on standard error; the file is then as it was
    // and no temporary file is left.
    bool save(const IniDocument& document) const;

    // What went wrong in the last load() or save(); empty when nothing did.
    const std::string& problem() const { return m_problem; }
    // Why load() or save() refused what is at the path (a symbolic link, a
    // folder, an unreadable file) and what to do; empty when nothing was refused.
    std::string refusal() const;

    int readInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Load, set one key, save. false when the names or value are not writable
    // (see IniDocument::writeString) or the file could not be read or replaced.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);

private:
    // The folder's descriptor and what was found at the path (IniFile.cpp).
    struct Target;
    enum class UserSource { Process, Given };

    // Opens the folder and then the file in it, each once, and judges the file
    // from its descriptor. With `bytes`, a regular file's content is read too.
    // Run as root, a file someone else controls is refused (see above).
    static std::shared_ptr<Target> inspect(const std::string& path, std::string* bytes,
                                           const std::optional<InvokingUser>& user);
    std::optional<InvokingUser> user() const;
    bool fail(std::string problem) const;

    std::string m_path;
    UserSource m_userSource = UserSource::Process;
    std::optional<InvokingUser> m_givenUser;
    mutable std::shared_ptr<Target> m_target;
    mutable std::string m_problem;
};

} // namespace platform
