#include "readout.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

Readout::Readout(const QString &text, const QString &widest, QWidget *parent)
    : QLabel(text, parent), m_widest(widest)
{
    fitWidest();
}

bool Readout::event(QEvent *event)
{
    const bool handled = QLabel::event(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::Polish:
        fitWidest();
        break;
    case QEvent::StyleChange:
        fitWidest();
        fillLikeParent();
        break;
    case QEvent::Show:
        // At show time the parent has its style's colours, whatever was polished first.
        fillLikeParent();
        break;
    default:
        break;
    }
    return handled;
}

void Readout::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QPalette palette = this->palette();
    palette.setCurrentColorGroup(!isEnabled()       ? QPalette::Disabled
                                 : isActiveWindow() ? QPalette::Active
                                                    : QPalette::Inactive);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette, isEnabled(), text(),
                          foregroundRole());
}

void Readout::fitWidest()
{
    const QFontMetrics metrics(font());
    const QMargins m = contentsMargins();
    const QSize size(metrics.horizontalAdvance(m_widest) + 4 + m.left() + m.right(),
                     metrics.height() + m.top() + m.bottom());
    if (minimumSize() != size || maximumSize() != size)
        setFixedSize(size);
}

// A reading is drawn over its parent's background; a new text then repaints the parent under
// it and, through the parent's own transparent corners, the window beneath. When the parent
// is a plain colour, the reading fills itself with it and repaints alone.
void Readout::fillLikeParent()
{
    const QWidget *parent = parentWidget();
    if (!parent)
        return;
    const QPalette::ColorRole role = parent->backgroundRole();
    const QBrush brush = parent->palette().brush(QPalette::Active, role);
    const bool plain =
        (parent->autoFillBackground() || parent->testAttribute(Qt::WA_StyledBackground)) &&
        parent->palette().isBrushSet(QPalette::Active, role) && brush.style() == Qt::SolidPattern &&
        brush.isOpaque();
    if (!plain) {
        setAutoFillBackground(false);
        return;
    }
    if (palette().brush(QPalette::Active, backgroundRole()) != brush) {
        QPalette own = palette();
        own.setBrush(backgroundRole(), brush);
        setPalette(own);
    }
    setAutoFillBackground(true);
}
