#pragma once

#include <QEvent>
#include <QObject>

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    using QObject::QObject;
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};
