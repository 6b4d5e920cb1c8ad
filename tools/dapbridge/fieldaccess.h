#pragma once

#include "model/model.h"
#include "protocol/frame.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>

// Fields as clients name them ({"block", "channel", "field"}), read and written through the
// one description of the processor: the same names and checks as dapctl.
namespace bridge {

// The field a client names; channel a whole number from 1, or "-", null or left out for a
// block-wide field. Nothing, with the reason, otherwise.
std::optional<model::FieldRef> fieldFromParams(const QJsonObject &params, QString *error);
// What the client named, for pushes: {"block", "channel", "field"}.
QJsonObject fieldName(const model::FieldRef &ref);

// The request whose report carries the field.
proto::Frame fieldRequest(const model::FieldRef &ref);
// The report of that request for the field's channel and band, checked; nothing for any
// other Frame.
std::optional<model::Report> fieldReport(const model::FieldRef &ref, const proto::Frame &f);
// The field's value in its report: a number, true/false, an enumeration's name or a text.
QJsonValue fieldValue(const model::FieldRef &ref, const model::Report &report);

// Whether the bridge may set the field at all: not what the processor only reports, and no
// lock states (those need the security page's password, which the bridge does not hold).
bool bridgeMaySet(const model::FieldRef &ref, QString *error);
// The set Frame of the field to a client's value, checked against the limits of the
// processor's generation. stored: the current report payload of a block set (the other
// fields go back as reported). Nothing, with the reason, when the value cannot go out.
std::optional<proto::Frame> fieldSet(const model::FieldRef &ref, const QJsonValue &value,
                                     int generation, QByteArrayView stored, QString *error);

} // namespace bridge
