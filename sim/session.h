#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace sim {

// What one TCP connection holds on its own: login, security page access and the
// transfers under way. Several connections to one processor never share this.
struct Session {
    bool loggedIn = false;
    bool securityAccess = false;
    // A correct lock password (security item 1) arms the lock password change (item 2).
    bool lockPasswordConfirmed = false;

    // Single preset export (codes 10, 12): the image and how much of it went out.
    QByteArray presetExport;
    qsizetype presetExportPos = 0;
    // Single preset import (codes 13, 15).
    int presetImportSlot = -1;
    QByteArray presetImport;
    // All-presets export (codes 11, 6): snapshot taken at the start.
    QByteArray bankExport;
    // All-presets import (codes 14, 7).
    bool bankImportActive = false;
    QByteArray bankImport;
    int bankImportNextBlock = 0;

    // Firmware images under way, by target (1 ARM, 2 DSP).
    struct Upgrade {
        bool active = false;
        bool badHeader = false; // ARM image without its header
        bool gap = false;       // blocks came out of order
        quint16 nextBlock = 0;
        qint64 bytes = 0;
        QByteArray data; // what arrived, so the log can name the image
    };
    std::array<Upgrade, 2> upgrades;
    // The processor drops this connection once the replies are written.
    bool closeRequested = false;
};

} // namespace sim
