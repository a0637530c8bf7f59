#include "dialog/QtDialogServices.h"
#include "dialog/TerminationSignals.h"

#include "dialog/FileFilter.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>

#include <algorithm>
#include <map>

namespace dialog {

namespace {

QMessageBox::StandardButton buttonOf(int answer)
{
    switch (answer) {
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Lets through folders and the files that the selected filter entry accepts,
// so that "*.exe" can mean "executable files".
class FileSelectionProxy : public QSortFilterProxyModel {
public:
    FileSelectionProxy(const FileFilter& filter, QObject* parent)
        : QSortFilterProxyModel(parent), m_filter(filter), m_entry(&filter.entries().front()) {}
    void select(const QString& qtNameFilter)
    {
        m_entry = m_filter.entryFor(qtNameFilter);
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* model = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!model)
            return true;
        const QFileInfo info = model->fileInfo(model->index(row, 0, parent));
        return info.isDir() || m_entry->accepts(info);
    }

private:
    const FileFilter& m_filter;
    const FileFilterEntry* m_entry;
};

// A file name typed without an extension gets the default one, as on
// Windows, unless a file of that name exists: programs here have no
// extension, and "/opt/prime/mprime" is meant as typed.
class FileChooser : public QFileDialog {
public:
    FileChooser(QWidget* parent, const QString& title, const QString& folder, const QString& defaultExtension)
        : QFileDialog(parent, title, folder), m_extension(defaultExtension)
    {
    }

protected:
    void accept() override
    {
        if (!m_extension.isEmpty()) {
            setDefaultSuffix(QString());
            const QStringList typed = selectedFiles();
            const bool existsAsTyped =
                !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](const QString& path) {
                    return QFileInfo::exists(path);
                });
            setDefaultSuffix(existsAsTyped ? QString() : m_extension);
        }
        QFileDialog::accept();
    }

private:
    QString m_extension;
};

} // namespace

int QtDialogServices::messageBox(QWidget* parent, const QString& text, const QString& caption, uint32_t flags)
{
    const MessageBoxStyle style(flags);
    // The program is ending: a box now would hold the shutdown up.
    if (TerminationSignals::wasRequested())
        return style.escapeAnswer() ? style.escapeAnswer() : style.defaultAnswer();
    QMessageBox box(iconOf(style.icon()), caption.isEmpty() ? QStringLiteral("Error") : caption, text,
                    QMessageBox::NoButton, parent);
    std::map<QAbstractButton*, int> answers;
    for (int answer : style.answers()) {
        QPushButton* button = box.addButton(buttonOf(answer));
        answers[button] = answer;
        if (answer == style.defaultAnswer())
            box.setDefaultButton(button);
        if (answer == style.escapeAnswer())
            box.setEscapeButton(button);
    }
    if (flags & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    const auto found = answers.find(box.clickedButton());
    if (found != answers.end())
        return found->second;
    // Closed without a button: what Escape gives, else the default.
    return style.escapeAnswer() ? style.escapeAnswer() : style.defaultAnswer();
}

std::optional<QColor> QtDialogServices::chooseColor(QWidget* parent, const QColor& initial)
{
    if (TerminationSignals::wasRequested())
        return std::nullopt;
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::optional<QFont> QtDialogServices::chooseFont(QWidget* parent, const QFont& initial)
{
    if (TerminationSignals::wasRequested())
        return std::nullopt;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtDialogServices::chooseFile(QWidget* parent, const FileDialogRequest& request)
{
    if (TerminationSignals::wasRequested())
        return std::nullopt;
    const FileFilter filter(request.filter);
    // Qt adds a default suffix only without a dot in it.
    const bool plainExtension =
        !request.defaultExtension.isEmpty() && !request.defaultExtension.contains(QLatin1Char('.'));
    FileChooser dialog(parent, request.title, request.initialDirectory,
                       plainExtension ? request.defaultExtension : QString());
    // Qt's own dialog: the native ones cannot take the executable-file filter.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.mode == FileDialogMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mode == FileDialogMode::Open && request.existence == FileExistence::MustExist
                           ? QFileDialog::ExistingFile
                           : QFileDialog::AnyFile);
    auto* proxy = new FileSelectionProxy(filter, &dialog);
    dialog.setProxyModel(proxy);
    dialog.setNameFilters(filter.qtNameFilters());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [proxy](const QString& selected) { proxy->select(selected); });
    proxy->select(dialog.selectedNameFilter());
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

DialogServices& DialogServices::standard()
{
    static QtDialogServices services;
    return services;
}

} // namespace dialog
