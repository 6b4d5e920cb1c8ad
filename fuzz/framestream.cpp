// The received Frame stream through the whole main window: its router (login reports,
// firmware acknowledgements, the tab container with every page's receive), the overview
// strip the pages relay to, the link watch and the undo history, with reads through the
// window's own socket reader. Reads are cut at arbitrary places and mixed with the user's
// typed edits, undo and redo, firmware upgrades, tab switches, refresh ticks, silence and a
// dropped socket.
//
// Input: a sequence of commands. A byte below 0xE0 is a read of (byte % 64) + 1 bytes taken
// from the input; from 0xC0 the read comes through a loopback socket and the window's reader
// (tcpReadyRead), else straight to the transport as that reader hands it over.
//   0xE0 a b  types value b (from a table) into text field a and presses Return
//   0xE1/0xE2 undo / redo from the menu;  0xE3 a  upgrades firmware (a picks target and size)
//   0xE4 the transfer's watchdog fires;  0xE5 the link goes silent;  0xE6 a  socket state
//   0xE7 a  clicks overview button a;  0xE8-0xEF are reads as above
//   0xF0-0xFE switch to tab (byte - 0xF0); 0xFF runs one refresh tick of every page and moves
//   the receive clock on by 100 ms (so a Frame held behind a false start goes stale), or
//   drops the link when it follows another 0xFF.
// The window paints after an input whose first byte is odd: painting every input took 40% of
// the time, and a repaint after a pause draws everything the inputs in between changed.
#include "fuzzapp.h"

#include "app/mainwindow.h"
#include "app/overview.h"
#include "app/session.h"
#include "modules/changerecorder.h"
#include "modules/modulepanel.h"
#include "pages/funcwidget.h"
#include "protocol/router.h"
#include "protocol/transfer.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>

namespace {

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));
constexpr quint32 kMachine = 0x00C0FFEE;

// What a user types: valid values at and beyond the limits, decimals, and text.
const char *const kTyped[] = {"0",    "-70",  "12",  "-6.5", "1000", "2000",  "20000",
                              "0.1",  "-100", "1e9", "abc",  "",     "nan",   "-0",
                              "24.5", "99",   "3",   "inf",  "1,5",  "Hall A"};

struct Harness {
    QTemporaryDir dir;
    QString imagePath = dir.filePath(QStringLiteral("image.sbin"));
    std::unique_ptr<mainWindow> window;
    QList<QPointer<QLineEdit>> fields;
    QList<QPointer<QAbstractButton>> overviewButtons;
    QTcpServer server;
    QTcpSocket reader;              // the window's end
    QPointer<QTcpSocket> processor; // the processor's end
    qint64 now = 0; // the receive buffer's clock, the same for every run of an input

    Harness()
    {
        // The window keeps cfg.dat in the working folder.
        QDir::setCurrent(dir.path());
        MainWindowOptions options;
        options.devices.announcePort = 0;
        options.devices.commandAddress = kLoopback;
        options.devices.commandPort = 9;
        options.devices.databasePath = dir.filePath(QStringLiteral("device.db"));
        options.startModuleClock = false;
        window = std::make_unique<mainWindow>(options);
        // The change log would write every recorded set to disk.
        ChangeRecorder::instance().setRowSink({});
        prompts::setFileHook([this](prompts::FileRequest &) { return imagePath; });
        prompts::setConfirmHook([](const QString &) { return true; });
        prompts::setNotifyHook([](QMessageBox::Icon, const QString &) {});

        proto::Transport &transport = proto::Transport::instance();
        transport.setTimeSource([this] { return now; });
        // Requests and sets the window sends go nowhere.
        transport.setSink([](const QByteArray &) {});

        server.listen(kLoopback, 0);
        reader.connectToHost(kLoopback, server.serverPort());
        if (reader.waitForConnected(2000) && server.waitForNewConnection(2000))
            processor = server.nextPendingConnection();
        transport.setCurrentSocket(&reader);
        window->linkWatch().setSocketState(QAbstractSocket::ConnectedState);

        for (QLineEdit *e : window->funcWidget()->findChildren<QLineEdit *>())
            fields.append(e);
        for (QAbstractButton *b : window->overView()->findChildren<QAbstractButton *>())
            overviewButtons.append(b);
        window->show();
    }

    FuncWidget &container() { return *window->funcWidget(); }

    void read(const QByteArray &bytes, bool throughSocket)
    {
        if (throughSocket && processor) {
            processor->write(bytes);
            processor->flush();
            // All of it, as one or more reads of the window's reader.
            while (reader.bytesAvailable() < bytes.size() && reader.waitForReadyRead(200)) {
            }
            QMetaObject::invokeMethod(window.get(), "tcpReadyRead", Qt::DirectConnection);
            return;
        }
        window->linkWatch().heard();
        proto::Transport::instance().receiveBytes(bytes, window->router());
    }

    void type(uint8_t field, uint8_t value)
    {
        if (fields.isEmpty())
            return;
        QLineEdit *e = fields[field % fields.size()];
        if (!e || !e->isEnabled() || !e->isVisibleTo(window.get()))
            return;
        e->setText(QString::fromLatin1(kTyped[value % std::size(kTyped)]));
        emit e->returnPressed();
        emit e->editingFinished();
        ChangeRecorder::instance().closeTurn();
    }

    void upgrade(uint8_t choice)
    {
        // An ARM image (7F 8C 20) or a DSP image of one to four blocks and a part.
        QByteArray image((choice % 4 + 1) * 1024 + (choice & 0x10 ? 100 : 0), '\x5A');
        image[0] = '\x7F';
        image[1] = '\x8C';
        image[2] = '\x20';
        QFile file(imagePath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(image) != image.size())
            return;
        file.close();
        const QList<QAction *> actions = window->menu()->actions();
        actions[choice & 0x80 ? 1 : 0]->trigger(); // "Upgrade ARM/DSP firmware"
    }

    void tick()
    {
        now += 100;
        proto::Transport::instance().releaseStale();
        for (int t = 0; t < FuncWidget::TabCount; ++t) {
            if (auto *panel = qobject_cast<QModulePanel *>(container().page(FuncWidget::Tab(t))))
                panel->timeOut20ms();
        }
    }

    // Every input starts from the same history, login and transfer state.
    void reset()
    {
        now = 0;
        proto::Transfer::instance().abandon();
        session::setLoggedIn(false);
        ChangeRecorder &recorder = ChangeRecorder::instance();
        recorder.clear();
        recorder.setProcessor(kMachine, QStringLiteral("DAP408"), 0x7f000002);
        window->linkWatch().setSocketState(QAbstractSocket::ConnectedState);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static Harness *h = new Harness;
    h->reset();
    const bool paint = size > 0 && (data[0] & 1) != 0;
    h->window->setUpdatesEnabled(paint);
    bool lastWasTick = false;
    size_t i = 0;
    const auto next = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        const uint8_t op = data[i++];
        const bool wasTick = lastWasTick;
        lastWasTick = false;
        if (op < 0xE0 || (op >= 0xE8 && op < 0xF0)) {
            const size_t n = std::min<size_t>(op % 64 + 1, size - i);
            h->read(QByteArray(reinterpret_cast<const char *>(data + i), qsizetype(n)),
                    op >= 0xC0 && op < 0xE0);
            i += n;
        } else if (op == 0xE0) {
            const uint8_t field = next();
            h->type(field, next());
        } else if (op == 0xE1) {
            h->window->undoAction()->trigger();
        } else if (op == 0xE2) {
            h->window->redoAction()->trigger();
        } else if (op == 0xE3) {
            h->upgrade(next());
        } else if (op == 0xE4) {
            if (proto::Transfer::instance().busy())
                proto::Transfer::instance().timeOut();
        } else if (op == 0xE5) {
            h->window->linkWatch().silenceTimeout();
        } else if (op == 0xE6) {
            h->window->linkWatch().setSocketState(next() & 1 ? QAbstractSocket::ConnectedState
                                                             : QAbstractSocket::UnconnectedState);
        } else if (op == 0xE7) {
            const uint8_t b = next();
            if (!h->overviewButtons.isEmpty()) {
                if (QAbstractButton *button = h->overviewButtons[b % h->overviewButtons.size()])
                    button->click();
            }
        } else if (op < 0xFF) {
            if (QAbstractButton *tab = h->container().buttonGroup()->button(op - 0xF0))
                tab->click();
        } else if (wasTick) {
            h->container().linkLost();
        } else {
            h->tick();
            lastWasTick = true;
        }
    }
    // Whatever is left incomplete must not leak into the next input.
    proto::Transport::instance().clearReceived();
    // Once per input, as the event loop would between reads: deferred deletes, layouts and
    // the paint of what the Frames changed.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
