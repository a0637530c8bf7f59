#include "dialog/FileFilter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace dialog {

namespace {

// One Windows pattern to its Linux equivalents; an empty list for "*.exe".
QStringList translatePattern(const QString& pattern, FileSelection& selection)
{
    const QString lower = pattern.toLower();
    if (lower == QLatin1String("*.exe")) {
        selection = FileSelection::Executables;
        return {};
    }
    if (lower == QLatin1String("*.bat") || lower == QLatin1String("*.cmd"))
        return {QStringLiteral("*.sh")};
    if (lower == QLatin1String("*.*"))
        return {QStringLiteral("*")};
    return {pattern};
}

} // namespace

QString FileFilterEntry::qtNameFilter() const
{
    const QStringList shown = selection == FileSelection::Executables ? QStringList{QStringLiteral("*")} : patterns;
    return QStringLiteral("%1 (%2)").arg(description, shown.join(QLatin1Char(' ')));
}

bool FileFilterEntry::accepts(const QFileInfo& file) const
{
    if (!file.isFile())
        return false;
    if (selection == FileSelection::Executables && file.isExecutable())
        return true;
    for (const QString& pattern : patterns) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(file.fileName()).hasMatch())
            return true;
    }
    return false;
}

FileFilter::FileFilter(const QString& windowsFilter)
{
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patternText = parts[i + 1].trimmed();
        if (description.isEmpty() && patternText.isEmpty())
            break; // the closing "||"
        FileFilterEntry entry;
        const qsizetype paren = description.indexOf(QLatin1Char('('));
        entry.description = (paren >= 0 ? description.left(paren) : description).trimmed();
        if (entry.description.isEmpty())
            entry.description = patternText;
        for (const QString& pattern : patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            for (const QString& translated : translatePattern(pattern.trimmed(), entry.selection)) {
                if (!entry.patterns.contains(translated))
                    entry.patterns.append(translated);
            }
        }
        m_entries.push_back(entry);
    }
    if (m_entries.empty())
        m_entries.push_back({QStringLiteral("All Files"), {QStringLiteral("*")}, FileSelection::ByName});
}

QStringList FileFilter::qtNameFilters() const
{
    QStringList filters;
    for (const FileFilterEntry& entry : m_entries)
        filters.append(entry.qtNameFilter());
    return filters;
}

const FileFilterEntry* FileFilter::entryFor(const QString& qtNameFilter) const
{
    for (const FileFilterEntry& entry : m_entries) {
        if (entry.qtNameFilter() == qtNameFilter)
            return &entry;
    }
    return &m_entries.front();
}

} // namespace dialog
