#include "deviceinfo.h"

#include "ctllink.h"

#include "devices/broadcastmsg.h"
#include "protocol/frame.h"
#include "protocol/ipv4.h"
#include "protocol/payload.h"

#include <QJsonArray>

#include <cmath>

namespace ctl {

namespace {

constexpr quint8 kInfo = 2;
constexpr quint8 kLabels = 3;
constexpr quint8 kCode = 4;
constexpr int kTextBytes = 16;
constexpr int kLabelWidth = 16;

const uchar *bytes(const QByteArray &a)
{
    return reinterpret_cast<const uchar *>(a.constData());
}

QString nulText(const QByteArray &payload, int maxBytes)
{
    QByteArray text = payload.left(qsizetype(qstrnlen(payload.constData(), uint(payload.size()))));
    return devices::fromDeviceText(text.left(devices::gbCutLength(text, maxBytes)));
}

QString versionText(const QByteArray &p)
{
    return QStringLiteral("V%1.%2.%3").arg(quint8(p[0])).arg(quint8(p[1])).arg(quint8(p[2]));
}

// A text for a field of maxBytes (GB2312, no NUL); nothing, with the reason, when it does
// not fit.
std::optional<QByteArray> deviceBytes(const QJsonValue &value, int maxBytes, const QString &what,
                                      QString *errorText)
{
    if (!value.isString()) {
        *errorText = QStringLiteral("%1 must be a text").arg(what);
        return std::nullopt;
    }
    const QByteArray b = devices::toDeviceText(value.toString());
    if (b.contains('\0')) {
        *errorText = QStringLiteral("%1 holds a NUL character").arg(what);
        return std::nullopt;
    }
    if (b.size() > maxBytes) {
        QString shown = value.toString();
        if (shown.size() > 24)
            shown = shown.left(24) + QStringLiteral("...");
        *errorText = QStringLiteral("%1 \"%2\" is %3 bytes long, at most %4 fit")
                         .arg(what, shown)
                         .arg(b.size())
                         .arg(maxBytes);
        return std::nullopt;
    }
    return b;
}

} // namespace

QJsonObject readSettings(CtlLink &link, QString *errorText)
{
    QJsonObject o;
    QStringList missing;
    // Every item is asked for at once; the reports come back in order.
    const quint8 infoCodes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20};
    QList<CtlLink::Request> requests;
    for (const quint8 code : infoCodes)
        requests.append({proto::ClassSystem, kInfo, code, {}});
    requests.append({proto::ClassSystem, kLabels, 1, {}});
    requests.append({proto::ClassSystem, kLabels, 2, {}});
    requests.append({proto::ClassSystem, kCode, 1, {}});
    const QList<std::optional<proto::Frame>> reports = link.requestAll(requests);
    const auto reportOf = [&](quint8 type, quint8 code) -> std::optional<proto::Frame> {
        for (qsizetype i = 0; i < requests.size(); ++i) {
            if (requests[i].frameType == type && requests[i].paramCode == code)
                return reports.value(i);
        }
        return std::nullopt;
    };
    const auto info = [&](quint8 code, const char *name, int size) -> std::optional<QByteArray> {
        const auto r = reportOf(kInfo, code);
        if (!r || (size > 0 && r->payload.size() != size) || (size < 0 && r->payload.isEmpty())) {
            missing << QLatin1String(name);
            return std::nullopt;
        }
        return r->payload;
    };
    if (const auto p = info(1, "model", -1))
        o.insert(QStringLiteral("model"), nulText(*p, 19));
    if (const auto p = info(2, "armVersion", 3)) {
        o.insert(QStringLiteral("armVersion"), versionText(*p));
        o.insert(QStringLiteral("armMajor"), quint8(p->at(0)));
    }
    if (const auto p = info(3, "dspVersion", 3))
        o.insert(QStringLiteral("dspVersion"), versionText(*p));
    if (const auto p = info(4, "serial", -1))
        o.insert(QStringLiteral("serial"), nulText(*p, 27));
    if (const auto p = info(5, "channelConfig", 2))
        o.insert(QStringLiteral("channelConfig"),
                 QString::asprintf("%02d%02d", quint8(p->at(0)), quint8(p->at(1))));
    if (const auto p = info(6, "runTime", 4))
        o.insert(QStringLiteral("runTime"), devices::timeText(proto::getU32(bytes(*p))));
    if (const auto p = info(7, "totalTime", 4))
        o.insert(QStringLiteral("totalTime"), devices::timeText(proto::getU32(bytes(*p))));
    if (const auto p = info(8, "bootCount", 4))
        o.insert(QStringLiteral("bootCount"), qint64(proto::getU32(bytes(*p))));
    if (const auto p = info(9, "temperature", 4)) {
        const float t = proto::bitsFloat(proto::getU32(bytes(*p)));
        if (std::isfinite(t) && std::abs(t) < 1000.0f)
            o.insert(QStringLiteral("temperature"), std::round(double(t) * 10.0) / 10.0);
        else
            missing << QStringLiteral("temperature");
    }
    if (const auto p = info(10, "location", -1))
        o.insert(QStringLiteral("location"), nulText(*p, kTextBytes));
    if (const auto p = info(11, "description", -1))
        o.insert(QStringLiteral("description"), nulText(*p, kTextBytes));
    if (const auto p = info(12, "network", 12)) {
        o.insert(QStringLiteral("address"), proto::ipv4::format(proto::getU32(bytes(*p))));
        o.insert(QStringLiteral("mask"), proto::ipv4::format(proto::getU32(bytes(*p) + 4)));
        o.insert(QStringLiteral("gateway"), proto::ipv4::format(proto::getU32(bytes(*p) + 8)));
    }
    if (const auto p = info(13, "fault", 1)) {
        const quint8 f = quint8(p->at(0));
        o.insert(QStringLiteral("fault"), QJsonObject{{QStringLiteral("dsp"), (f & 1) != 0},
                                                      {QStringLiteral("flash"), (f & 2) != 0},
                                                      {QStringLiteral("temp"), (f & 4) != 0},
                                                      {QStringLiteral("dac"), (f & 8) != 0}});
    }
    if (const auto p = info(20, "panelLock", 1))
        o.insert(QStringLiteral("panelLock"), p->at(0) != 0);
    for (const auto &[code, name, n] :
         {std::tuple{quint8(1), "inputLabels", 4}, std::tuple{quint8(2), "outputLabels", 8}}) {
        const auto r = reportOf(kLabels, code);
        if (!r || r->payload.size() != kLabelWidth * n) {
            missing << QLatin1String(name);
            continue;
        }
        QJsonArray labels;
        for (int i = 0; i < n; ++i)
            labels.append(nulText(r->payload.mid(i * kLabelWidth, kLabelWidth), kLabelWidth));
        o.insert(QLatin1String(name), labels);
    }
    if (const auto r = reportOf(kCode, 1); r && r->payload.size() == 6) {
        const uchar *p = bytes(r->payload);
        o.insert(QStringLiteral("deviceCode"),
                 QString::asprintf("%05d-%d-%05d", proto::getU16(p), proto::getU16(p + 4),
                                   proto::getU16(p + 2)));
    } else {
        missing << QStringLiteral("deviceCode");
    }
    if (!missing.isEmpty() && errorText)
        *errorText = QStringLiteral("not reported: %1").arg(missing.join(QStringLiteral(", ")));
    return o;
}

int armMajor(const QJsonObject &settings)
{
    return settings.value(QStringLiteral("armMajor")).toInt();
}

std::optional<SettingsWrites> checkSettings(const QJsonObject &settings, QString *errorText)
{
    SettingsWrites sets;
    for (const auto &[code, key] :
         {std::pair{quint8(10), "location"}, std::pair{quint8(11), "description"}}) {
        if (!settings.contains(QLatin1String(key)))
            continue;
        const auto bytes = deviceBytes(settings.value(QLatin1String(key)), kTextBytes,
                                       QLatin1String(key), errorText);
        if (!bytes)
            return std::nullopt;
        sets.append({kInfo, code, *bytes});
    }
    if (settings.contains(QStringLiteral("panelLock"))) {
        const QJsonValue v = settings.value(QStringLiteral("panelLock"));
        if (!v.isBool()) {
            *errorText = QStringLiteral("panelLock must be true or false");
            return std::nullopt;
        }
        sets.append({kInfo, quint8(20), QByteArray(1, v.toBool() ? 1 : 0)});
    }
    for (const auto &[code, key, n] :
         {std::tuple{quint8(1), "inputLabels", 4}, std::tuple{quint8(2), "outputLabels", 8}}) {
        if (!settings.contains(QLatin1String(key)))
            continue;
        const QJsonValue v = settings.value(QLatin1String(key));
        if (!v.isArray() || v.toArray().size() > n) {
            *errorText = QStringLiteral("%1 must be a list of at most %2 texts")
                             .arg(QLatin1String(key))
                             .arg(n);
            return std::nullopt;
        }
        const QJsonArray labels = v.toArray();
        for (int i = 0; i < labels.size(); ++i) {
            const auto bytes =
                deviceBytes(labels.at(i), kLabelWidth,
                            QStringLiteral("%1 %2").arg(QLatin1String(key)).arg(i + 1), errorText);
            if (!bytes)
                return std::nullopt;
            sets.append({kLabels, code, QByteArray(1, char(i)) + *bytes});
        }
    }
    return sets;
}

bool restoreSettings(CtlLink &link, const SettingsWrites &writes, QString *errorText)
{
    for (const auto &[type, code, payload] : writes)
        link.send(proto::ClassSystem, type, code, proto::DirSet, payload);
    // A request behind the sets shows they were taken in order before the link goes.
    if (!link.request(proto::ClassSystem, kInfo, 20)) {
        *errorText = link.errorText();
        return false;
    }
    return true;
}

} // namespace ctl
