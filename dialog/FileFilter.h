#pragma once
// File-type filters written the Windows way ("EXE Files (*.exe)|*.exe|All
// Files (*.*)|*.*||") and what they select on Linux: "*.exe" selects files
// that may be executed, whatever their name; "*.bat" selects shell scripts
// ("*.sh"); "*.*" selects every file. Other patterns are kept as they are.

#include <QString>
#include <QStringList>

#include <vector>

class QFileInfo;

namespace dialog {

enum class FileSelection { ByName, Executables };

struct FileFilterEntry {
    QString description;  // the text before the first '(' of the Windows description
    QStringList patterns; // Linux name patterns
    FileSelection selection = FileSelection::ByName;

    // The entry as a Qt name filter: "EXE Files (*)".
    QString qtNameFilter() const;
    // Whether a file (not a folder) passes this entry.
    bool accepts(const QFileInfo& file) const;
};

class FileFilter {
public:
    explicit FileFilter(const QString& windowsFilter);

    const std::vector<FileFilterEntry>& entries() const { return m_entries; }
    QStringList qtNameFilters() const;
    // The entry whose Qt name filter is the given text; the first when none is.
    const FileFilterEntry* entryFor(const QString& qtNameFilter) const;

private:
    std::vector<FileFilterEntry> m_entries;
};

} // namespace dialog
