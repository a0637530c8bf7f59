#pragma once
// Dialog services for tests: every request is recorded, and the answers come
// from queues that the test fills beforehand. A request without a queued
// answer is answered as a user pressing Enter would: a message box gives its
// default button, a chooser is cancelled.

#include "dialog/DialogServices.h"

#include <deque>
#include <vector>

namespace dialog {

enum class ServiceKind { MessageBox, Color, Font, File };

struct ServiceCall {
    ServiceKind kind;
    QString text;     // message box text
    QString caption;  // message box caption
    uint32_t flags = 0;
    QColor color;     // initial colour
    QFont font;       // initial font
    FileDialogRequest file;
    int answer = 0;   // message box answer given
};

class ScriptedDialogServices : public DialogServices {
public:
    void answerMessageBox(int answer) { m_messageAnswers.push_back(answer); }
    void answerColor(std::optional<QColor> color) { m_colorAnswers.push_back(color); }
    void answerFont(std::optional<QFont> font) { m_fontAnswers.push_back(font); }
    void answerFile(std::optional<QString> path) { m_fileAnswers.push_back(path); }

    const std::vector<ServiceCall>& calls() const { return m_calls; }
    // Calls of one kind, in order.
    std::vector<ServiceCall> calls(ServiceKind kind) const;
    // Answers queued but not asked for.
    size_t pendingAnswers() const;
    void clear();

    int messageBox(QWidget* parent, const QString& text, const QString& caption, uint32_t flags) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    std::optional<QString> chooseFile(QWidget* parent, const FileDialogRequest& request) override;

private:
    std::vector<ServiceCall> m_calls;
    std::deque<int> m_messageAnswers;
    std::deque<std::optional<QColor>> m_colorAnswers;
    std::deque<std::optional<QFont>> m_fontAnswers;
    std::deque<std::optional<QString>> m_fileAnswers;
};

} // namespace dialog
