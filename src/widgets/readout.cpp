#include "readout.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace {

class ReadoutSizer : public QObject {
public:
    ReadoutSizer(QLabel *label, const QString &widest) : QObject(label), m_widest(widest)
    {
        label->installEventFilter(this);
        apply(label);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
            event->type() == QEvent::Polish)
            apply(static_cast<QLabel *>(watched));
        return false;
    }

private:
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

void fixReadoutSize(QLabel *label, const QString &widest)
{
    new ReadoutSizer(label, widest);
}
