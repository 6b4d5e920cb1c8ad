#include "displaysetup.h"

#include <QByteArray>
#include <QtGlobal>

void displaysetup::prepare()
{
    // The meters repaint a few small rectangles ten times a second. Through shared memory each
    // flush has the X server send a completion event that wakes the display thread: a third of
    // the program's idle wakeups, for pixels that cost less to send down the connection.
    qputenv("QT_XCB_NO_MITSHM", "1");
}
