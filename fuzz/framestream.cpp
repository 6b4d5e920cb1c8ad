// The received Frame stream through the real assembler, router and tab container, so every
// page's receive is reached (pages added later included), cut into arbitrary reads and mixed
// with tab switches, refresh ticks and a lost link.
//
// Input: a sequence of commands. A byte below 0xF0 is a read of (byte % 64) + 1 bytes taken
// from the input; 0xF0-0xFE switch to tab (byte - 0xF0); 0xFF runs one refresh tick of every
// page and moves the receive clock on by 100 ms (so a Frame held behind a false start goes
// stale), or drops the link when it follows another 0xFF. The window paints after an input
// whose first byte is odd: painting every input took 40% of the time, and a repaint after a
// pause draws everything the inputs in between changed.
#include "fuzzapp.h"

#include "modules/modulepanel.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QStackedWidget>

#include <cstddef>
#include <cstdint>

namespace {

struct Harness {
    FuncWidget container;
    proto::FrameRouter router;
    qint64 now = 0; // the receive buffer's clock, the same for every run of an input

    Harness()
    {
        container.registerRoutes(router);
        proto::Transport::instance().setTimeSource([this] { return now; });
        // Requests and sets the pages send go nowhere.
        proto::Transport::instance().setSink([](const QByteArray &) {});
        container.show();
    }

    void tick()
    {
        now += 100;
        proto::Transport::instance().releaseStale();
        for (int t = 0; t < FuncWidget::TabCount; ++t) {
            if (auto *panel = qobject_cast<QModulePanel *>(container.page(FuncWidget::Tab(t))))
                panel->timeOut20ms();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static Harness *h = new Harness;
    h->now = 0;
    const bool paint = size > 0 && (data[0] & 1) != 0;
    h->container.setUpdatesEnabled(paint);
    proto::Transport &transport = proto::Transport::instance();
    bool lastWasTick = false;
    size_t i = 0;
    while (i < size) {
        const uint8_t op = data[i++];
        if (op < 0xF0) {
            const size_t n = std::min<size_t>(op % 64 + 1, size - i);
            transport.receiveBytes(
                QByteArray(reinterpret_cast<const char *>(data + i), qsizetype(n)), h->router);
            i += n;
            lastWasTick = false;
        } else if (op < 0xFF) {
            if (QAbstractButton *tab = h->container.buttonGroup()->button(op - 0xF0))
                tab->click();
            lastWasTick = false;
        } else if (lastWasTick) {
            h->container.linkLost();
            lastWasTick = false;
        } else {
            h->tick();
            lastWasTick = true;
        }
    }
    // Whatever is left incomplete must not leak into the next input.
    transport.clearReceived();
    // Once per input, as the event loop would between reads: deferred deletes, layouts and
    // the paint of what the Frames changed.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
