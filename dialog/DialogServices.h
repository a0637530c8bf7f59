#pragma once
// The system's standard windows that the suite's windows open: message boxes
// and the colour, font and file choosers. Windows reach them only through this
// interface, so tests answer them (ScriptedDialogServices) and the programs
// get Qt's dialogs (QtDialogServices).

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

namespace dialog {

enum class FileDialogMode { Open, Save };
enum class FileExistence { Any, MustExist };

struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::Open;
    QString title;
    QString fileName;         // initial file name
    QString filter;           // Windows form: "Text (*.txt)|*.txt||"
    QString defaultExtension; // appended to a saved name without one
    QString initialDirectory;
    FileExistence existence = FileExistence::Any;
};

class DialogServices {
public:
    virtual ~DialogServices() = default;

    // A message box; flags are MB_* of MessageBoxStyle.h. Returns the answer
    // (IDOK, IDCANCEL, IDYES, ...). An empty caption shows "Error", as the
    // system does for a box without one.
    virtual int messageBox(QWidget* parent, const QString& text, const QString& caption, uint32_t flags) = 0;
    // The colour chooser started from a colour; nothing when cancelled.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // The font chooser started from a font; nothing when cancelled.
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) = 0;
    // The open or save file chooser; the full path, nothing when cancelled.
    virtual std::optional<QString> chooseFile(QWidget* parent, const FileDialogRequest& request) = 0;

    // The services windows use unless they are given others: Qt's dialogs.
    static DialogServices& standard();
};

} // namespace dialog
