#include "undokeys.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVariant>

namespace {

// A dynamic property per field: "typed into since the focus came or the last Return".
constexpr char kEditing[] = "dapTextBeingEdited";
constexpr char kWatched[] = "dapUndoKeysWatched";

bool isUndoOrRedo(const QKeyEvent *key)
{
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
           key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z) ||
           key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
}

} // namespace

UndoKeys::UndoKeys(QObject *parent) : QObject(parent) {}

QLineEdit *UndoKeys::textField(QObject *object)
{
    if (auto *edit = qobject_cast<QLineEdit *>(object))
        return edit;
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(object))
        return spin->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    return nullptr;
}

bool UndoKeys::isBeingEdited(const QLineEdit *field)
{
    return field->property(kEditing).toBool();
}

void UndoKeys::watch(QObject *focused, QLineEdit *field)
{
    if (field->property(kWatched).toBool())
        return;
    field->setProperty(kWatched, true);
    // textEdited comes from the user's typing only (undo in the field included), never from
    // the program setting the text; editingFinished from Return and from leaving the field.
    // A spin box takes Return itself and says so with its own editingFinished.
    const auto typed = [field] { field->setProperty(kEditing, true); };
    const auto finished = [field] { field->setProperty(kEditing, false); };
    connect(field, &QLineEdit::textEdited, field, typed);
    connect(field, &QLineEdit::editingFinished, field, finished);
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(focused))
        connect(spin, &QAbstractSpinBox::editingFinished, field, finished);
}

bool UndoKeys::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (QLineEdit *field = textField(watched))
            watch(watched, field);
        break;
    case QEvent::ShortcutOverride: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!isUndoOrRedo(key))
            break;
        QLineEdit *field = textField(watched);
        if (!field || isBeingEdited(field))
            break;
        // Not claimed: the window's shortcut takes the key.
        key->ignore();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
