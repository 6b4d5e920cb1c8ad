#include "readout.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace {

class Readout : public QObject {
public:
    Readout(QLabel *label, const QString &widest) : QObject(label), m_widest(widest)
    {
        label->installEventFilter(this);
        apply(label);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *label = static_cast<QLabel *>(watched);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
            event->type() == QEvent::Polish)
            apply(label);
        // At show time the parent has its style's colours, whatever was polished first.
        if (event->type() == QEvent::Show || event->type() == QEvent::StyleChange)
            fillLikeParent(label);
        return false;
    }

private:
    // A label is drawn over its parent's background; a new text then repaints the parent
    // under it and, through the parent's own transparent corners, the window beneath. When
    // the parent is a plain colour, the label fills itself with it and repaints alone.
    static void fillLikeParent(QLabel *label)
    {
        const QWidget *parent = label->parentWidget();
        if (!parent)
            return;
        const QPalette::ColorRole role = parent->backgroundRole();
        const QBrush brush = parent->palette().brush(QPalette::Active, role);
        const bool plain =
            (parent->autoFillBackground() || parent->testAttribute(Qt::WA_StyledBackground)) &&
            parent->palette().isBrushSet(QPalette::Active, role) &&
            brush.style() == Qt::SolidPattern && brush.isOpaque();
        if (!plain) {
            label->setAutoFillBackground(false);
            return;
        }
        if (label->palette().brush(QPalette::Active, label->backgroundRole()) != brush) {
            QPalette palette = label->palette();
            palette.setBrush(label->backgroundRole(), brush);
            label->setPalette(palette);
        }
        label->setAutoFillBackground(true);
    }

    void apply(QLabel *label) const
    {
        const QFontMetrics metrics(label->font());
        const QMargins m = label->contentsMargins();
        const QSize size(metrics.horizontalAdvance(m_widest) + 4 + m.left() + m.right(),
                         metrics.height() + m.top() + m.bottom());
        if (label->minimumSize() != size || label->maximumSize() != size)
            label->setFixedSize(size);
    }

    QString m_widest;
};

} // namespace

void setUpReadout(QLabel *label, const QString &widest)
{
    new Readout(label, widest);
}
