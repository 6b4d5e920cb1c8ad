#include "rpcservice.h"

#include "fleet.h"
#include "linkcore/reportmatch.h"
#include "logging.h"

#include <QJsonArray>
#include <QPointer>

#include <cmath>

namespace bridge {

namespace {

constexpr int kAnswerTimeoutMs = 3000;
// A recall loads every block; the processor reports its progress until 100.
constexpr int kRecallTimeoutMs = 15000;
constexpr int kPresetSlots = 32;
constexpr int kSlotEntry = 17;
constexpr int kSlotListLength = 1 + kPresetSlots * kSlotEntry;

bool sameToken(const QByteArray &a, const QByteArray &b)
{
    if (a.isEmpty() || a.size() != b.size())
        return false;
    uchar diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= uchar(a[i] ^ b[i]);
    return diff == 0;
}

QString roleName(RpcSession::Role role)
{
    switch (role) {
    case RpcSession::Role::None:
        return QStringLiteral("none");
    case RpcSession::Role::Monitor:
        return QStringLiteral("monitor");
    case RpcSession::Role::Control:
        return QStringLiteral("control");
    }
    return {};
}

proto::Frame moduleFrame(quint8 module, quint8 code, quint8 direction, QByteArray payload)
{
    proto::Frame f;
    f.code = 1;
    f.frameClass = proto::ClassModule;
    f.frameType = module;
    f.paramCode = code;
    f.direction = direction;
    f.payload = std::move(payload);
    return f;
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace

void reply(RpcSession &s, const rpc::Request &r, const QJsonValue &value)
{
    if (!r.isNotification())
        s.send(rpc::result(r.id, value));
}

void fail(RpcSession &s, const rpc::Request &r, int code, const QString &message,
          const QJsonValue &data)
{
    if (!r.isNotification())
        s.send(rpc::error(r.id, code, message, data));
}

std::optional<qint64> wholeParam(const QJsonObject &params, const QString &key, qint64 lo,
                                 qint64 hi)
{
    return wholeNumber(params.value(key), lo, hi);
}

RpcService::RpcService(Fleet &fleet, const BridgeConfig &config, QObject *parent)
    : QObject(parent), m_fleet(fleet), m_monitorToken(config.monitorToken),
      m_controlToken(config.controlToken), m_hub(fleet)
{
    using R = RpcSession::Role;
    const QString p = QStringLiteral("processor");
    const QString b = QStringLiteral("block");
    const QString c = QStringLiteral("channel");
    const QString f = QStringLiteral("field");
    m_methods = {
        {QStringLiteral("auth"), {R::None, {QStringLiteral("token")}, &RpcService::auth}},
        {QStringLiteral("processors"), {R::Monitor, {}, &RpcService::processors}},
        {QStringLiteral("release"),
         {R::Control, {p, QStringLiteral("seconds")}, &RpcService::release}},
        {QStringLiteral("resume"),
         {R::Control, {p, QStringLiteral("seconds")}, &RpcService::resume}},
        {QStringLiteral("preset.recall"),
         {R::Control, {p, QStringLiteral("slot")}, &RpcService::presetRecall}},
        {QStringLiteral("describe"), {R::Monitor, {}, &RpcService::describe}},
        {QStringLiteral("get"), {R::Monitor, {p, b, c, f}, &RpcService::get}},
        {QStringLiteral("set"),
         {R::Control, {p, b, c, f, QStringLiteral("value")}, &RpcService::set}},
        {QStringLiteral("subscribe"),
         {R::Monitor, {p, QStringLiteral("fields")}, &RpcService::subscribe}},
        {QStringLiteral("unsubscribe"),
         {R::Monitor, {p, QStringLiteral("fields")}, &RpcService::unsubscribe}},
    };
}

RpcSession::Role RpcService::initialRole() const
{
    return m_monitorToken.isEmpty() && m_controlToken.isEmpty() ? RpcSession::Role::Control
                                                                : RpcSession::Role::None;
}

std::optional<RpcSession::Role> RpcService::roleOf(const QByteArray &token) const
{
    // Both are compared, so the time taken does not tell which one matched.
    const bool control = sameToken(token, m_controlToken);
    const bool monitor = sameToken(token, m_monitorToken);
    if (control)
        return RpcSession::Role::Control;
    if (monitor)
        return RpcSession::Role::Monitor;
    return std::nullopt;
}

void RpcService::handle(RpcSession &session, const QByteArray &message)
{
    const std::variant<rpc::Request, rpc::Failure> parsed = rpc::parse(message);
    if (const auto *f = std::get_if<rpc::Failure>(&parsed)) {
        session.send(rpc::error(f->id, f->code, f->message));
        return;
    }
    const rpc::Request &r = std::get<rpc::Request>(parsed);
    const auto it = m_methods.constFind(r.method);
    if (it == m_methods.cend()) {
        fail(session, r, rpc::MethodNotFound, QStringLiteral("no method \"%1\"").arg(r.method));
        return;
    }
    if (session.role() < it->needs) {
        if (session.role() == RpcSession::Role::None)
            fail(session, r, rpc::NotAllowed, QStringLiteral("authenticate first (auth)"));
        else
            fail(session, r, rpc::NotAllowed,
                 QStringLiteral("not allowed for this token: %1 needs the %2 token")
                     .arg(r.method, roleName(it->needs)));
        return;
    }
    for (auto p = r.params.begin(); p != r.params.end(); ++p) {
        if (!it->params.contains(p.key())) {
            fail(session, r, rpc::InvalidParams,
                 QStringLiteral("%1 takes no param \"%2\"").arg(r.method, p.key()));
            return;
        }
    }
    (this->*(it->handler))(session, r);
}

void RpcService::auth(RpcSession &s, const rpc::Request &r)
{
    const QJsonValue token = r.params.value(QStringLiteral("token"));
    if (!token.isString()) {
        fail(s, r, rpc::InvalidParams, QStringLiteral("auth needs \"token\", a string"));
        return;
    }
    if (initialRole() == RpcSession::Role::Control) {
        // Without configured tokens every client may do everything.
        reply(s, r, QJsonObject{{QStringLiteral("role"), roleName(RpcSession::Role::Control)}});
        return;
    }
    const std::optional<RpcSession::Role> role = roleOf(token.toString().toLatin1());
    if (!role) {
        s.authFailed();
        qCInfo(lcBridge).noquote() << s.peer() << "gave an unknown token";
        fail(s, r, rpc::NotAllowed, QStringLiteral("unknown token"));
        if (s.failedAuths() >= RpcSession::kMaxFailedAuths)
            s.close();
        return;
    }
    s.setRole(*role);
    reply(s, r, QJsonObject{{QStringLiteral("role"), roleName(*role)}});
}

void RpcService::processors(RpcSession &s, const rpc::Request &r)
{
    QJsonArray list;
    const qint64 now = m_fleet.now();
    for (const ProcessorLink *l : m_fleet.links()) {
        const Readings &rd = l->readings();
        QJsonObject o{
            {QStringLiteral("id"), l->id()},
            {QStringLiteral("machine_id"),
             l->machineId() ? QJsonValue(double(l->machineId())) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("address"), orNull(l->addressText())},
            {QStringLiteral("model"), rd.has(Readings::Model) ? orNull(rd.model) : QJsonValue()},
            {QStringLiteral("arm"), rd.has(Readings::ArmVersion) ? orNull(rd.arm) : QJsonValue()},
            {QStringLiteral("dsp"), rd.has(Readings::DspVersion) ? orNull(rd.dsp) : QJsonValue()},
            {QStringLiteral("up"), l->isUp()},
            {QStringLiteral("state"), stateName(l->state())},
            {QStringLiteral("last_heard_s"),
             l->lastHeardMs() >= 0
                 ? QJsonValue(std::round(double(now - l->lastHeardMs()) / 100.0) / 10.0)
                 : QJsonValue(QJsonValue::Null)},
        };
        if (!l->isUp())
            o.insert(QStringLiteral("reason"), l->reason());
        list.append(o);
    }
    reply(s, r, list);
}

ProcessorLink *RpcService::namedProcessor(RpcSession &s, const rpc::Request &r)
{
    const QJsonValue name = r.params.value(QStringLiteral("processor"));
    if (!name.isString() && !name.isDouble()) {
        fail(s, r, rpc::InvalidParams,
             QStringLiteral("\"processor\" must name a processor by its id"));
        return nullptr;
    }
    ProcessorLink *link = m_fleet.find(name);
    if (!link)
        fail(s, r, rpc::InvalidParams, QStringLiteral("no processor with this id"));
    return link;
}

ProcessorLink *RpcService::upProcessor(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = namedProcessor(s, r);
    if (link && !link->isUp()) {
        fail(s, r, rpc::Unreachable, QStringLiteral("processor unreachable"),
             QJsonObject{{QStringLiteral("reason"), link->reason()}});
        return nullptr;
    }
    return link;
}

void RpcService::release(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = namedProcessor(s, r);
    if (!link)
        return;
    const std::optional<qint64> seconds = wholeParam(r.params, QStringLiteral("seconds"), 1, 86400);
    if (!seconds) {
        fail(s, r, rpc::InvalidParams,
             QStringLiteral("\"seconds\" must be a whole number from 1 to 86400"));
        return;
    }
    qCInfo(lcBridge).noquote() << s.peer() << "releases" << link->id() << "for" << *seconds << "s";
    link->release(int(*seconds));
    reply(s, r,
          QJsonObject{{QStringLiteral("processor"), link->id()},
                      {QStringLiteral("state"), stateName(link->state())},
                      {QStringLiteral("seconds"), double(*seconds)}});
}

void RpcService::resume(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = namedProcessor(s, r);
    if (!link)
        return;
    link->resume();
    reply(s, r,
          QJsonObject{{QStringLiteral("processor"), link->id()},
                      {QStringLiteral("state"), stateName(link->state())}});
}

void RpcService::presetRecall(RpcSession &s, const rpc::Request &r)
{
    ProcessorLink *link = upProcessor(s, r);
    if (!link)
        return;
    const std::optional<qint64> slot =
        wholeParam(r.params, QStringLiteral("slot"), 1, kPresetSlots);
    if (!slot) {
        fail(s, r, rpc::InvalidParams,
             QStringLiteral("\"slot\" must be a whole number from 1 to %1").arg(kPresetSlots));
        return;
    }
    QPointer<RpcSession> session(&s);
    QPointer<ProcessorLink> target(link);
    const rpc::Request request = r;
    const auto unreachable = [session, request](const QString &why) {
        if (session)
            fail(*session, request, rpc::Unreachable, why);
    };
    // The slot list first: recalling an empty slot is refused, not left unanswered.
    const bool asked = link->request(
        moduleFrame(32, 1, proto::DirRequest, {}),
        [](const proto::Frame &f) {
            return linkcore::answers(f, proto::ClassModule, 32, 1) &&
                   f.payload.size() == kSlotListLength;
        },
        kAnswerTimeoutMs,
        [session, target, request, slot = int(*slot), unreachable](std::optional<proto::Frame> f) {
            if (!session)
                return;
            if (!f || !target) {
                unreachable(QStringLiteral("the processor did not list its presets"));
                return;
            }
            const qsizetype at = 1 + qsizetype(slot - 1) * kSlotEntry;
            if (f->payload.at(at) == 0) {
                fail(*session, request, rpc::InvalidParams,
                     QStringLiteral("preset slot %1 is empty").arg(slot));
                return;
            }
            QByteArray name = f->payload.mid(at + 1, kSlotEntry - 1);
            if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
                name.truncate(nul);
            const QJsonObject done{{QStringLiteral("processor"), target->id()},
                                   {QStringLiteral("slot"), slot},
                                   {QStringLiteral("name"), QString::fromLatin1(name)}};
            const bool sent = target->request(
                moduleFrame(32, 9, proto::DirSet, QByteArray(1, char(slot - 1))),
                [](const proto::Frame &p) {
                    return linkcore::answers(p, proto::ClassModule, 32, 9) &&
                           !p.payload.isEmpty() && quint8(p.payload.at(0)) == 100;
                },
                kRecallTimeoutMs,
                [session, request, done, unreachable](std::optional<proto::Frame> p) {
                    if (!session)
                        return;
                    if (!p)
                        unreachable(QStringLiteral("the processor did not finish the recall"));
                    else
                        reply(*session, request, done);
                });
            if (!sent)
                unreachable(QStringLiteral("processor unreachable"));
        });
    if (!asked)
        fail(s, r, rpc::Unreachable, QStringLiteral("processor busy or unreachable"));
}

} // namespace bridge
