#pragma once
// The dialog services of the programs: QMessageBox, QColorDialog, QFontDialog
// and QFileDialog.

#include "dialog/DialogServices.h"

namespace dialog {

class QtDialogServices : public DialogServices {
public:
    int messageBox(QWidget* parent, const QString& text, const QString& caption, uint32_t flags) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    std::optional<QString> chooseFile(QWidget* parent, const FileDialogRequest& request) override;
};

} // namespace dialog
