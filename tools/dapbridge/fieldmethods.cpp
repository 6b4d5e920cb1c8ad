// The field methods of the bridge: describe, get, set, subscribe and unsubscribe.
#include "fieldaccess.h"
#include "fleet.h"
#include "logging.h"
#include "rpcservice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

namespace bridge {

namespace {

constexpr int kFieldTimeoutMs = 3000;
constexpr int kMaxFieldsPerCall = 64;

} // namespace

void RpcService::describe(RpcSession &s, const rpc::Request &r)
{
    if (m_description.isEmpty())
        m_description = QJsonDocument::fromJson(model::describeJson()).object();
    reply(s, r, m_description);
}

std::optional<model::FieldRef> RpcService::namedField(RpcSession &s, const rpc::Request &r,
                                                      ProcessorLink *link)
{
    QString error;
    const std::optional<model::FieldRef> ref = fieldFromParams(r.params, &error);
    if (!ref) {
        fail(s, r, rpc::InvalidParams, error);
        return std::nullopt;
    }
    if (!ref->block->inGeneration(link->readings().generation())) {
        fail(s, r, rpc::InvalidParams,
             QStringLiteral("this processor has no %1 block").arg(QLatin1String(ref->block->name)));
        return std::nullopt;
    }
    return ref;
}

void RpcService::get(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = upProcessor(s, r);
    if (!link)
        return;
    const std::optional<model::FieldRef> ref = namedField(s, r, link);
    if (!ref)
        return;
    QPointer<RpcSession> session(&s);
    const bool asked = link->request(
        fieldRequest(*ref),
        [ref](const proto::Frame &f) { return fieldReport(*ref, f).has_value(); }, kFieldTimeoutMs,
        [session, r, ref](std::optional<proto::Frame> f) {
            if (!session)
                return;
            const std::optional<model::Report> report = f ? fieldReport(*ref, *f) : std::nullopt;
            if (!report) {
                fail(*session, r, rpc::Unreachable, QStringLiteral("the processor did not answer"));
                return;
            }
            reply(*session, r,
                  QJsonObject{{QStringLiteral("value"), fieldValue(*ref, *report)},
                              {QStringLiteral("unit"), QLatin1String(ref->field->unit)}});
        });
    if (!asked)
        fail(s, r, rpc::Unreachable, QStringLiteral("processor busy or unreachable"));
}

void RpcService::set(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = upProcessor(s, r);
    if (!link)
        return;
    const std::optional<model::FieldRef> ref = namedField(s, r, link);
    if (!ref)
        return;
    const QJsonValue value = r.params.value(QStringLiteral("value"));
    const int generation = link->readings().generation();
    // Checked in full before anything goes out; a block set checks against factory bytes.
    QString error;
    const bool blockSet = ref->message->blockSet();
    const model::Record factory =
        model::Record::factory(*ref->message, std::max(0, ref->channel), ref->sub);
    if (!fieldSet(*ref, value, generation, blockSet ? factory.bytes() : QByteArrayView(), &error)) {
        fail(s, r, rpc::InvalidParams, error);
        return;
    }
    QPointer<RpcSession> session(&s);
    QPointer<ProcessorLink> target(link);
    const auto unreachable = [session, r] {
        if (session)
            fail(*session, r, rpc::Unreachable, QStringLiteral("the processor did not answer"));
    };
    // After the set, the report read back is what the processor then holds.
    const auto setAndReadBack = [session, target, r, ref, unreachable](const proto::Frame &set) {
        if (!target || !target->send(set)) {
            unreachable();
            return;
        }
        qCDebug(lcBridge).noquote() << (session ? session->peer() : QString()) << "set"
                                    << model::formatName(*ref) << "on" << target->id();
        const bool asked = target->request(
            fieldRequest(*ref),
            [ref](const proto::Frame &f) { return fieldReport(*ref, f).has_value(); },
            kFieldTimeoutMs,
            [session, r, ref, unreachable](std::optional<proto::Frame> f) {
                const std::optional<model::Report> report =
                    f ? fieldReport(*ref, *f) : std::nullopt;
                if (!report)
                    unreachable();
                else if (session)
                    reply(*session, r,
                          QJsonObject{{QStringLiteral("value"), fieldValue(*ref, *report)}});
            });
        if (!asked)
            unreachable();
    };
    if (!blockSet) {
        setAndReadBack(*fieldSet(*ref, value, generation, {}, &error));
        return;
    }
    // One set carries the whole block: the other fields go back exactly as last reported.
    const bool asked = link->request(
        fieldRequest(*ref),
        [ref](const proto::Frame &f) { return fieldReport(*ref, f).has_value(); }, kFieldTimeoutMs,
        [ref, value, generation, setAndReadBack, unreachable](std::optional<proto::Frame> f) {
            QString why;
            const std::optional<proto::Frame> set =
                f ? fieldSet(*ref, value, generation, f->payload, &why) : std::nullopt;
            if (!set)
                unreachable();
            else
                setAndReadBack(*set);
        });
    if (!asked)
        fail(s, r, rpc::Unreachable, QStringLiteral("processor busy or unreachable"));
}

std::optional<QList<model::FieldRef>> RpcService::namedFields(RpcSession &s, const rpc::Request &r)
{
    const QJsonValue fields = r.params.value(QStringLiteral("fields"));
    QList<model::FieldRef> refs;
    if (fields.isUndefined())
        return refs;
    if (!fields.isArray() || fields.toArray().size() > kMaxFieldsPerCall) {
        fail(s, r, rpc::InvalidParams,
             QStringLiteral("\"fields\" must be a list of at most %1 {block, channel, field}")
                 .arg(kMaxFieldsPerCall));
        return std::nullopt;
    }
    for (const QJsonValue &v : fields.toArray()) {
        QString error;
        const std::optional<model::FieldRef> ref =
            v.isObject() ? fieldFromParams(v.toObject(), &error) : std::nullopt;
        if (!ref) {
            fail(s, r, rpc::InvalidParams,
                 error.isEmpty() ? QStringLiteral("each field is {block, channel, field}") : error);
            return std::nullopt;
        }
        refs.append(*ref);
    }
    return refs;
}

void RpcService::subscribe(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = namedProcessor(s, r);
    if (!link)
        return;
    const std::optional<QList<model::FieldRef>> refs = namedFields(s, r);
    if (!refs)
        return;
    if (refs->isEmpty()) {
        fail(s, r, rpc::InvalidParams, QStringLiteral("\"fields\" names no field"));
        return;
    }
    int count = 0;
    QString error;
    if (!m_hub.add(&s, link, *refs, &count, &error)) {
        fail(s, r, rpc::InvalidParams, error);
        return;
    }
    reply(
        s, r,
        QJsonObject{{QStringLiteral("processor"), link->id()}, {QStringLiteral("fields"), count}});
}

void RpcService::unsubscribe(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = namedProcessor(s, r);
    if (!link)
        return;
    const std::optional<QList<model::FieldRef>> refs = namedFields(s, r);
    if (!refs)
        return;
    const int left = m_hub.remove(&s, link, *refs);
    reply(s, r,
          QJsonObject{{QStringLiteral("processor"), link->id()}, {QStringLiteral("fields"), left}});
}

} // namespace bridge
