#pragma once

#include <QPushButton>
#include <QWidget>

// One crosspoint of the mixer matrix. A single click only takes focus (which selects the
// crosspoint's output); a double click switches it. Its look follows on and focused, and it
// repaints only when one of them or its text changes.
class QMixButton : public QPushButton {
    Q_OBJECT
public:
    explicit QMixButton(QWidget *parent = nullptr);

    bool isOn() const { return m_on; }
    bool isFocused() const { return m_focused; }
    // Set from outside (reports, the panel): restyles, no signal.
    void setOn(bool on);

    // The style sheet of each look.
    static QString styleFor(bool on, bool focused);

Q_SIGNALS:
    void select();
    void DoubleClick(bool on);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void restyle();

    bool m_on = false;
    bool m_focused = false;
};

// The background of one matrix row: a press selects the row's output.
class QMixRect : public QWidget {
    Q_OBJECT
public:
    explicit QMixRect(QWidget *parent = nullptr);

    // The selected row is painted light blue, the others not at all.
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

Q_SIGNALS:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_selected = false;
};
