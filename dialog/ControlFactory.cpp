#include "dialog/ControlFactory.h"

#include "dialog/PlainFieldStyle.h"
#include "dialog/UpDownControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace dialog {

namespace {

Qt::Alignment horizontalAlignment(uint32_t styleFlags)
{
    if (styleFlags & style::Center)
        return Qt::AlignHCenter;
    if (styleFlags & style::Right)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

QWidget* makeLabel(const ControlSpec& spec, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(spec.text), parent);
    label->setAlignment(horizontalAlignment(spec.style) | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    if (spec.style & style::Sunken)
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QWidget* makeEdit(const ControlSpec& spec, QWidget* parent)
{
    if (spec.style & style::Multiline) {
        auto* edit = new QPlainTextEdit(QString::fromUtf8(spec.text), parent);
        edit->setReadOnly(spec.style & style::ReadOnly);
        if (spec.style & style::NoBorder)
            edit->setFrameStyle(QFrame::NoFrame);
        return edit;
    }
    auto* edit = new QLineEdit(QString::fromUtf8(spec.text), parent);
    edit->setAlignment(horizontalAlignment(spec.style) | Qt::AlignVCenter);
    edit->setReadOnly(spec.style & style::ReadOnly);
    if (spec.style & style::NoBorder)
        edit->setFrame(false);
    else if (spec.style & style::ReadOnly)
        PlainFieldStyle::apply(edit); // fields that show values: opaque and cheap to repaint
    if (spec.style & style::Number)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

QWidget* makeButton(const ControlSpec& spec, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(spec.text), parent);
    // Enter is the window's business (DialogWindow), never a button's own.
    button->setAutoDefault(false);
    button->setDefault(spec.kind == ControlKind::DefaultButton);
    return button;
}

QWidget* makeGroupBox(const ControlSpec& spec, QWidget* parent)
{
    auto* group = new QGroupBox(QString::fromUtf8(spec.text), parent);
    // A frame only: clicks pass through to the window, as with Windows group boxes.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    group->setFocusPolicy(Qt::NoFocus);
    PlainFieldStyle::applyToGroup(group);
    return group;
}

QWidget* makeCombo(const ControlSpec& spec, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(spec.style & style::Editable);
    if (combo->isEditable())
        combo->setEditText(QString::fromUtf8(spec.text));
    return combo;
}

QWidget* makeProgress(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QWidget* makePicture(const ControlSpec& spec, QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setAlignment(Qt::AlignCenter);
    picture->setObjectName(QString::fromUtf8(spec.text));
    return picture;
}

QWidget* makeWidget(const ControlSpec& spec, QWidget* parent)
{
    switch (spec.kind) {
    case ControlKind::Label: return makeLabel(spec, parent);
    case ControlKind::Edit: return makeEdit(spec, parent);
    case ControlKind::Button:
    case ControlKind::DefaultButton: return makeButton(spec, parent);
    case ControlKind::CheckBox: return new QCheckBox(QString::fromUtf8(spec.text), parent);
    case ControlKind::Radio: {
        auto* radio = new QRadioButton(QString::fromUtf8(spec.text), parent);
        radio->setAutoExclusive(false); // groups are formed by the window
        return radio;
    }
    case ControlKind::GroupBox: return makeGroupBox(spec, parent);
    case ControlKind::ComboBox: return makeCombo(spec, parent);
    case ControlKind::UpDown: return new UpDownControl(parent);
    case ControlKind::List: return new QListWidget(parent);
    case ControlKind::Progress: return makeProgress(parent);
    case ControlKind::Picture: return makePicture(spec, parent);
    }
    return new QWidget(parent);
}

} // namespace

QRect ControlFactory::geometry(const ControlSpec& spec, const DialogUnits& units, const QWidget* widget)
{
    QRect rect = units.toPixels(spec.x, spec.y, spec.w, spec.h);
    if (spec.kind == ControlKind::ComboBox && widget)
        rect.setHeight(std::min(rect.height(), widget->sizeHint().height()));
    return rect;
}

QWidget* ControlFactory::create(const ControlSpec& spec, const DialogUnits& units, QWidget* parent)
{
    QWidget* widget = makeWidget(spec, parent);
    widget->setGeometry(geometry(spec, units, widget));
    if (spec.style & style::NoTabStop && widget->focusPolicy() != Qt::NoFocus)
        widget->setFocusPolicy(Qt::ClickFocus);
    widget->setEnabled(!(spec.style & style::Disabled));
    widget->setVisible(!(spec.style & style::Hidden));
    if (spec.kind == ControlKind::GroupBox)
        widget->lower();
    return widget;
}

} // namespace dialog
