#include "dialog/ControlText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include <algorithm>
#include <climits>

namespace dialog {

QString ControlText::get(const QWidget* control)
{
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(control))
        return edit->toPlainText();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (auto* list = qobject_cast<const QListWidget*>(control))
        return list->currentItem() ? list->currentItem()->text() : QString();
    return {};
}

void ControlText::set(QWidget* control, const QString& text)
{
    // Texts that windows refresh every tick: an unchanged one is left alone,
    // so nothing is laid out or repainted for it. (An editable field is
    // always set: setting it also resets its cursor.)
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->text() != text)
            label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (edit->isReadOnly() && edit->text() == text)
            return;
        edit->setText(text);
        edit->setCursorPosition(0); // show the start of a long text
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control))
        edit->setPlainText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        if (button->text() != text)
            button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        if (group->title() != text)
            group->setTitle(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
        list->setCurrentItem(items.isEmpty() ? nullptr : items.front());
    }
}

std::optional<int> ControlText::parseNumber(const QString& text, NumberSign sign)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (sign == NumberSign::Signed && i < text.size() && text[i] == QLatin1Char('-')) {
        negative = true;
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // More digits than an int holds still make a number: the nearest end of
    // the range, which the field's own limits then lower or raise.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return std::nullopt;
        magnitude = std::min(magnitude * 10 + (text[i].unicode() - '0'), limit + 1);
    }
    magnitude = std::min(magnitude, limit);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace dialog
