#pragma once

#include <QPainter>
#include <QWidget>

// A disabled (locked) control draws faintly over its background, so that it reads as
// read-only the way a disabled button does. Call after the background is drawn.
inline void fadeWhenLocked(QPainter &painter, const QWidget &control)
{
    constexpr double kLockedOpacity = 0.35;
    if (!control.isEnabled())
        painter.setOpacity(kLockedOpacity);
}
