#include "subscriptions.h"

#include "fieldaccess.h"
#include "fleet.h"
#include "jsonrpc.h"
#include "rpcsession.h"

namespace bridge {

bool sameField(const model::FieldRef &a, const model::FieldRef &b)
{
    return a.field == b.field && a.message == b.message && a.channel == b.channel && a.sub == b.sub;
}

SubscriptionHub::SubscriptionHub(Fleet &fleet, QObject *parent) : QObject(parent), m_fleet(fleet)
{
    connect(&fleet, &Fleet::ticked, this, &SubscriptionHub::poll);
}

int SubscriptionHub::countFor(RpcSession *session, const Watch &watch) const
{
    int n = 0;
    for (const Watched &w : watch.fields)
        n += w.sessions.contains(session) ? 1 : 0;
    return n;
}

int SubscriptionHub::totalFor(RpcSession *session) const
{
    int n = 0;
    for (const Watch &watch : m_watches)
        n += countFor(session, watch);
    return n;
}

bool SubscriptionHub::add(RpcSession *session, ProcessorLink *link,
                          const QList<model::FieldRef> &refs, int *count, QString *error)
{
    Watch &watch = m_watches[link];
    int adding = 0;
    for (const model::FieldRef &ref : refs) {
        const auto known = std::find_if(watch.fields.begin(), watch.fields.end(),
                                        [&](const Watched &w) { return sameField(w.ref, ref); });
        adding += known == watch.fields.end() || !known->sessions.contains(session) ? 1 : 0;
    }
    if (totalFor(session) + adding > kMaxPerSession) {
        *error = QStringLiteral("a client watches at most %1 fields").arg(kMaxPerSession);
        if (watch.fields.isEmpty())
            m_watches.remove(link);
        return false;
    }
    for (const model::FieldRef &ref : refs) {
        auto known = std::find_if(watch.fields.begin(), watch.fields.end(),
                                  [&](const Watched &w) { return sameField(w.ref, ref); });
        if (known == watch.fields.end()) {
            watch.fields.append({ref, {}, {}, false});
            known = watch.fields.end() - 1;
        }
        if (!known->sessions.contains(session))
            known->sessions.append(session);
    }
    if (!watch.frames) {
        watch.frames = connect(link, &ProcessorLink::frameReceived, this,
                               [this, link](const proto::Frame &f) { frameReceived(link, f); });
    }
    if (!m_sessions.contains(session)) {
        m_sessions.insert(session, connect(session, &QObject::destroyed, this,
                                           [this, session] { forget(session); }));
    }
    *count = countFor(session, watch);
    return true;
}

int SubscriptionHub::remove(RpcSession *session, ProcessorLink *link,
                            const QList<model::FieldRef> &refs)
{
    const auto it = m_watches.find(link);
    if (it == m_watches.end())
        return 0;
    Watch &watch = *it;
    for (Watched &w : watch.fields) {
        const bool named =
            refs.isEmpty() || std::any_of(refs.begin(), refs.end(), [&](const model::FieldRef &r) {
                return sameField(r, w.ref);
            });
        if (named)
            w.sessions.removeAll(session);
    }
    watch.fields.removeIf([](const Watched &w) { return w.sessions.isEmpty(); });
    const int left = countFor(session, watch);
    if (watch.fields.isEmpty()) {
        disconnect(watch.frames);
        m_watches.erase(it);
    }
    return left;
}

void SubscriptionHub::forget(RpcSession *session)
{
    m_sessions.remove(session);
    const QList<ProcessorLink *> links = m_watches.keys();
    for (ProcessorLink *link : links)
        remove(session, link, {});
}

void SubscriptionHub::poll()
{
    for (auto it = m_watches.cbegin(); it != m_watches.cend(); ++it) {
        ProcessorLink *link = it.key();
        if (!link->isUp())
            continue;
        // One request per report, however many of its fields are watched.
        QList<const Watched *> asked;
        for (const Watched &w : it->fields) {
            const bool covered = std::any_of(asked.begin(), asked.end(), [&](const Watched *a) {
                return a->ref.message == w.ref.message &&
                       (w.ref.message->shape != model::ReportShape::ChannelFirst ||
                        (a->ref.channel == w.ref.channel && a->ref.sub == w.ref.sub));
            });
            if (covered)
                continue;
            asked.append(&w);
            link->send(fieldRequest(w.ref));
        }
    }
}

void SubscriptionHub::frameReceived(ProcessorLink *link, const proto::Frame &f)
{
    const auto it = m_watches.find(link);
    if (it == m_watches.end())
        return;
    for (Watched &w : it->fields) {
        const std::optional<model::Report> report = fieldReport(w.ref, f);
        if (!report)
            continue;
        const QJsonValue value = fieldValue(w.ref, *report);
        if (w.seen && value == w.last)
            continue;
        const bool first = !w.seen;
        w.seen = true;
        w.last = value;
        if (first)
            continue; // the value it had when first watched is no change
        QJsonObject params = fieldName(w.ref);
        params.insert(QStringLiteral("processor"), link->id());
        params.insert(QStringLiteral("value"), value);
        const QByteArray message = rpc::notification(QStringLiteral("changed"), params);
        for (RpcSession *s : std::as_const(w.sessions))
            s->send(message);
    }
}

} // namespace bridge
