#pragma once

#include "model/model.h"
#include "protocol/frame.h"

#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QObject>

namespace bridge {

class Fleet;
class ProcessorLink;
class RpcSession;

// Fields clients watch. Each watched field is asked for on every tick of the fleet's clock
// (ten times a second) while its processor is up; a value that differs from the last one seen
// is pushed once to every client watching it, whoever changed it (a client of the bridge, the
// window, dapctl). A field therefore changes at most ten times a second for its watchers.
class SubscriptionHub : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxPerSession = 256;

    explicit SubscriptionHub(Fleet &fleet, QObject *parent = nullptr);

    // Watches refs of link for session; false, with the reason, when that would pass the cap
    // (nothing is added then). count: what the session now watches on link.
    bool add(RpcSession *session, ProcessorLink *link, const QList<model::FieldRef> &refs,
             int *count, QString *error);
    // Stops watching refs (all of link's when empty); returns what the session still watches
    // on link.
    int remove(RpcSession *session, ProcessorLink *link, const QList<model::FieldRef> &refs);

    // One tick: asks each up processor for the watched fields' reports.
    void poll();

private:
    struct Watched {
        model::FieldRef ref;
        QList<RpcSession *> sessions;
        QJsonValue last;
        bool seen = false;
    };
    struct Watch {
        QList<Watched> fields;
        QMetaObject::Connection frames;
    };

    void frameReceived(ProcessorLink *link, const proto::Frame &f);
    void forget(RpcSession *session);
    int countFor(RpcSession *session, const Watch &watch) const;
    int totalFor(RpcSession *session) const;

    Fleet &m_fleet;
    QHash<ProcessorLink *, Watch> m_watches;
    QHash<RpcSession *, QMetaObject::Connection> m_sessions;
};

// The same field of the same channel and band.
bool sameField(const model::FieldRef &a, const model::FieldRef &b);

} // namespace bridge
