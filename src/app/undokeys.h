#pragma once

#include <QObject>

class QLineEdit;

// The window's undo and redo keys (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y) from a focused text field.
// A text field claims them for its own text undo before the window's shortcuts are looked
// up; it keeps them only while its text is being edited (typed into and not yet sent with
// Return or by leaving the field). Otherwise the keys reach the window's "Undo" and "Redo", so a
// value just sent with Return is undone as from anywhere else. Installed on the application.
class UndoKeys : public QObject {
    Q_OBJECT
public:
    explicit UndoKeys(QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // The text field of a line edit or a spin box; nullptr for anything else.
    static QLineEdit *textField(QObject *object);
    // True while the field holds typing that is not yet sent.
    static bool isBeingEdited(const QLineEdit *field);

private:
    static void watch(QObject *focused, QLineEdit *field);
};
