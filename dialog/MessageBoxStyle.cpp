#include "dialog/MessageBoxStyle.h"

#include "dialog/StandardIds.h"

#include <algorithm>

namespace dialog {

std::vector<int> MessageBoxStyle::answers() const
{
    switch (m_flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int MessageBoxStyle::defaultAnswer() const
{
    const std::vector<int> all = answers();
    const size_t index = (m_flags & MB_DEFMASK) >> 8;
    // A default button beyond the last one falls back to the first.
    return index < all.size() ? all[index] : all.front();
}

int MessageBoxStyle::escapeAnswer() const
{
    const std::vector<int> all = answers();
    if (std::find(all.begin(), all.end(), IDCANCEL) != all.end())
        return IDCANCEL;
    if (all.size() == 1)
        return IDOK;
    return 0;
}

MessageIcon MessageBoxStyle::icon() const
{
    switch (m_flags & MB_ICONMASK) {
    case MB_ICONERROR: return MessageIcon::Error;
    case MB_ICONQUESTION: return MessageIcon::Question;
    case MB_ICONWARNING: return MessageIcon::Warning;
    case MB_ICONINFORMATION: return MessageIcon::Information;
    default: return MessageIcon::None;
    }
}

} // namespace dialog
