#pragma once

#include <QByteArray>

#include <vector>

namespace bridge {

class ProcessorLink;

// The Prometheus text exposition (version 0.0.4) of every processor: each metric with its
// HELP and TYPE lines and then one series per processor (and side and channel). Meter series
// appear only while the processor is up and has reported them on this connection.
QByteArray renderMetrics(const std::vector<ProcessorLink *> &links, qint64 nowMs);

// A label value with backslash, double quote and newline escaped.
QByteArray escapeLabel(const QByteArray &value);

} // namespace bridge
