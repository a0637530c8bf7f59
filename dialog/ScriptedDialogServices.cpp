#include "dialog/ScriptedDialogServices.h"

#include "dialog/MessageBoxStyle.h"

namespace dialog {

namespace {

template <typename T>
std::optional<T> take(std::deque<std::optional<T>>& queue)
{
    std::optional<T> answer;
    if (!queue.empty()) {
        answer.swap(queue.front());
        queue.pop_front();
    }
    return answer;
}

} // namespace

std::vector<ServiceCall> ScriptedDialogServices::calls(ServiceKind kind) const
{
    std::vector<ServiceCall> selected;
    for (const ServiceCall& call : m_calls) {
        if (call.kind == kind)
            selected.push_back(call);
    }
    return selected;
}

size_t ScriptedDialogServices::pendingAnswers() const
{
    return m_messageAnswers.size() + m_colorAnswers.size() + m_fontAnswers.size() + m_fileAnswers.size();
}

void ScriptedDialogServices::clear()
{
    m_calls.clear();
    m_messageAnswers.clear();
    m_colorAnswers.clear();
    m_fontAnswers.clear();
    m_fileAnswers.clear();
}

int ScriptedDialogServices::messageBox(QWidget*, const QString& text, const QString& caption, uint32_t flags)
{
    int answer = MessageBoxStyle(flags).defaultAnswer();
    if (!m_messageAnswers.empty()) {
        answer = m_messageAnswers.front();
        m_messageAnswers.pop_front();
    }
    ServiceCall call{ServiceKind::MessageBox, text, caption, flags, {}, {}, {}, answer};
    m_calls.push_back(call);
    return answer;
}

std::optional<QColor> ScriptedDialogServices::chooseColor(QWidget*, const QColor& initial)
{
    ServiceCall call{ServiceKind::Color, {}, {}, 0, initial, {}, {}, 0};
    m_calls.push_back(call);
    return take(m_colorAnswers);
}

std::optional<QFont> ScriptedDialogServices::chooseFont(QWidget*, const QFont& initial)
{
    ServiceCall call{ServiceKind::Font, {}, {}, 0, {}, initial, {}, 0};
    m_calls.push_back(call);
    return take(m_fontAnswers);
}

std::optional<QString> ScriptedDialogServices::chooseFile(QWidget*, const FileDialogRequest& request)
{
    ServiceCall call{ServiceKind::File, {}, {}, 0, {}, {}, request, 0};
    m_calls.push_back(call);
    return take(m_fileAnswers);
}

} // namespace dialog
