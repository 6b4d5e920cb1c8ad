#include "mixbutton.h"

#include <QMouseEvent>

QMixButton::QMixButton(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    restyle();
}

QString QMixButton::styleFor(bool on, bool focused)
{
    const QString border = focused ? QStringLiteral("rgb(255, 0, 0)") : QString();
    if (on) {
        return QStringLiteral("background: rgb(18, 183, 245);color: rgb(252, 240, 240);"
                              "border: 1px solid %1;border-radius: 4px;")
            .arg(focused ? border : QStringLiteral("rgb(39, 129, 184)"));
    }
    return QStringLiteral("background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 "
                          "#F2F2F2, stop: 1 #CFCFCF);color: rgb(6, 6, 6);border: 1px solid "
                          "%1;border-radius:4px;")
        .arg(focused ? border : QStringLiteral("rgb(152, 152, 152)"));
}

void QMixButton::setOn(bool on)
{
    if (m_on == on)
        return;
    m_on = on;
    restyle();
}

void QMixButton::restyle()
{
    setStyleSheet(styleFor(m_on, m_focused));
}

void QMixButton::mousePressEvent(QMouseEvent *event)
{
    // Taking focus is all a press does; the crosspoint switches on a double click only.
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void QMixButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void QMixButton::keyPressEvent(QKeyEvent *event)
{
    event->accept();
}

void QMixButton::keyReleaseEvent(QKeyEvent *event)
{
    event->accept();
}

void QMixButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    m_on = !m_on;
    restyle();
    emit DoubleClick(m_on);
}

void QMixButton::focusInEvent(QFocusEvent *event)
{
    QPushButton::focusInEvent(event);
    if (!m_focused) {
        m_focused = true;
        restyle();
    }
    emit select();
}

void QMixButton::focusOutEvent(QFocusEvent *event)
{
    QPushButton::focusOutEvent(event);
    if (m_focused) {
        m_focused = false;
        restyle();
    }
}

QMixRect::QMixRect(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);
    setSelected(false);
}

void QMixRect::setSelected(bool selected)
{
    m_selected = selected;
    QPalette p = palette();
    p.setColor(QPalette::Window, selected ? QColor(102, 224, 255) : QColor(0, 0, 0, 0));
    setPalette(p);
}

void QMixRect::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    event->accept();
    emit Clicked();
}
