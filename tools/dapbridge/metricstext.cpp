#include "metricstext.h"

#include "processorlink.h"

namespace bridge {

namespace {

struct Series {
    QByteArray &out;
    QByteArray labels; // id="..",address=".."

    void line(const char *name, const QByteArray &extra, const QByteArray &value)
    {
        out.append(name).append('{').append(labels);
        if (!extra.isEmpty())
            out.append(',').append(extra);
        out.append("} ").append(value).append('\n');
    }
};

void header(QByteArray &out, const char *name, const char *type, const char *help)
{
    out.append("# HELP ").append(name).append(' ').append(help).append('\n');
    out.append("# TYPE ").append(name).append(' ').append(type).append('\n');
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 7);
}

QByteArray channelLabels(const char *side, int channel)
{
    QByteArray l;
    if (side)
        l.append("side=\"").append(side).append("\",");
    return l.append("channel=\"").append(QByteArray::number(channel)).append('"');
}

} // namespace

QByteArray escapeLabel(const QByteArray &value)
{
    QByteArray out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            out.append("\\\\");
        else if (c == '"')
            out.append("\\\"");
        else if (c == '\n')
            out.append("\\n");
        else
            out.append(c);
    }
    return out;
}

QByteArray renderMetrics(const std::vector<ProcessorLink *> &links, qint64 nowMs)
{
    QByteArray out;
    out.reserve(qsizetype(links.size()) * 3000 + 2000);
    std::vector<QByteArray> labels;
    labels.reserve(links.size());
    for (const ProcessorLink *l : links) {
        labels.push_back("id=\"" + escapeLabel(l->id().toUtf8()) + "\",address=\"" +
                         escapeLabel(l->addressText().toUtf8()) + '"');
    }
    // Runs body once per processor under one HELP/TYPE header, so a metric's series stay
    // together as the format asks.
    const auto metric = [&](const char *name, const char *type, const char *help,
                            const auto &body) {
        header(out, name, type, help);
        for (std::size_t i = 0; i < links.size(); ++i) {
            Series s{out, labels[i]};
            body(*links[i], s);
        }
    };
    using R = Readings;

    metric("dap_up", "gauge", "1 while the bridge is logged in to the processor, else 0.",
           [](const ProcessorLink &l, Series &s) { s.line("dap_up", {}, l.isUp() ? "1" : "0"); });
    metric("dap_last_heard_seconds", "gauge",
           "Seconds since the processor was last heard (TCP or announcement).",
           [nowMs](const ProcessorLink &l, Series &s) {
               if (l.lastHeardMs() >= 0)
                   s.line("dap_last_heard_seconds", {},
                          number(double(nowMs - l.lastHeardMs()) / 1000.0));
           });
    metric("dap_dsp_load_percent", "gauge", "DSP load of the processor in percent.",
           [](const ProcessorLink &l, Series &s) {
               if (l.isUp() && l.readings().has(R::DspLoad))
                   s.line("dap_dsp_load_percent", {}, number(l.readings().dspUsage));
           });
    metric("dap_fault", "gauge",
           "Fault bits the processor reports (1 DSP, 2 Flash, 4 Temp, 8 DAC); 0 without fault.",
           [](const ProcessorLink &l, Series &s) {
               if (l.isUp() && l.readings().has(R::Faults))
                   s.line("dap_fault", {}, QByteArray::number(l.readings().faults));
           });
    metric("dap_level_dbu", "gauge", "Level meter of an input or output channel in dBu.",
           [](const ProcessorLink &l, Series &s) {
               const R &r = l.readings();
               if (!l.isUp())
                   return;
               if (r.has(R::InLevels)) {
                   for (int c = 0; c < R::kInputs; ++c)
                       s.line("dap_level_dbu", channelLabels("in", c + 1),
                              QByteArray::number(r.inLevel[std::size_t(c)]));
               }
               if (r.has(R::OutLevels)) {
                   for (int c = 0; c < R::kOutputs; ++c)
                       s.line("dap_level_dbu", channelLabels("out", c + 1),
                              QByteArray::number(r.outLevel[std::size_t(c)]));
               }
           });
    metric("dap_gain_reduction_db", "gauge",
           "Gain reduction of a channel's limiter in dB (its input minus its output level).",
           [](const ProcessorLink &l, Series &s) {
               const R &r = l.readings();
               if (!l.isUp())
                   return;
               if (r.has(R::InReduction)) {
                   for (int c = 0; c < R::kInputs; ++c)
                       s.line("dap_gain_reduction_db", channelLabels("in", c + 1),
                              QByteArray::number(r.inReduction[std::size_t(c)]));
               }
               if (r.has(R::OutReduction)) {
                   for (int c = 0; c < R::kOutputs; ++c)
                       s.line("dap_gain_reduction_db", channelLabels("out", c + 1),
                              QByteArray::number(r.outReduction[std::size_t(c)]));
               }
           });
    metric("dap_gate_open", "gauge", "1 while the gate of an input channel is open.",
           [](const ProcessorLink &l, Series &s) {
               const R &r = l.readings();
               if (!l.isUp() || !r.has(R::GateOpen))
                   return;
               for (int c = 0; c < R::kInputs; ++c)
                   s.line("dap_gate_open", channelLabels("in", c + 1),
                          r.gateOpen[std::size_t(c)] ? "1" : "0");
           });
    metric("dap_connect_attempts_total", "counter",
           "Connections the bridge began to the processor.", [](const ProcessorLink &l, Series &s) {
               s.line("dap_connect_attempts_total", {}, QByteArray::number(l.attempts()));
           });
    metric("dap_connect_failures_total", "counter",
           "Connections that ended before the login was accepted.",
           [](const ProcessorLink &l, Series &s) {
               s.line("dap_connect_failures_total", {}, QByteArray::number(l.failures()));
           });
    metric("dap_info", "gauge", "Always 1; the labels carry the processor's model and versions.",
           [](const ProcessorLink &l, Series &s) {
               const R &r = l.readings();
               if (!r.has(R::Model))
                   return;
               s.line("dap_info",
                      "model=\"" + escapeLabel(r.model.toUtf8()) + "\",arm=\"" +
                          escapeLabel(r.arm.toUtf8()) + "\",dsp=\"" + escapeLabel(r.dsp.toUtf8()) +
                          '"',
                      "1");
           });
    return out;
}

} // namespace bridge
