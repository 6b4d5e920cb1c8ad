#pragma once

#include "devices/broadcastmsg.h"

#include <QList>
#include <QString>

#include <functional>

namespace ctl {

// A processor as the command line knows it: its last announcement, or its stored row.
struct KnownProcessor {
    broadcastMsg record;
    bool heard = false; // announced during this run
};

// Listens for announcements on port for up to waitMs (less once done() says every wanted
// processor was heard), then adds the processors stored in the database at dbPath that were
// not heard. New processors heard are stored, as the program stores them. An empty dbPath
// leaves the database alone. errorText tells why listening failed (port in use).
QList<KnownProcessor> discover(quint16 port, int waitMs, const QString &dbPath, QString *errorText,
                               const std::function<bool(const QList<KnownProcessor> &)> &done = {});

} // namespace ctl
