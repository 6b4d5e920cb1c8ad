#include "metricstext.h"

#include "processorlink.h"

#include <charconv>

namespace bridge {

namespace {

// Writes one processor's series straight into the output: a thousand processors make some
// 35,000 lines a scrape, so no line builds a string of its own.
struct Series {
    QByteArray &out;
    const QByteArray &labels; // id="..",address=".."

    void begin(const char *name, const char *side, int channel)
    {
        out.append(name).append('{').append(labels);
        if (side)
            out.append(",side=\"").append(side).append('"');
        if (channel > 0) {
            char digits[12];
            const auto end = std::to_chars(digits, digits + sizeof digits, channel).ptr;
            out.append(",channel=\"").append(digits, end - digits).append('"');
        }
        out.append("} ");
    }
    void line(const char *name, qint64 value, const char *side = nullptr, int channel = 0)
    {
        begin(name, side, channel);
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out.append(digits, end - digits).append('\n');
    }
    void real(const char *name, double value)
    {
        begin(name, nullptr, 0);
        out.append(QByteArray::number(value, 'g', 7)).append('\n');
    }
    void line(const char *name, const QByteArray &extra, const char *value)
    {
        out.append(name).append('{').append(labels).append(',').append(extra).append("} ");
        out.append(value).append('\n');
    }
};

void header(QByteArray &out, const char *name, const char *type, const char *help)
{
    out.append("# HELP ").append(name).append(' ').append(help).append('\n');
    out.append("# TYPE ").append(name).append(' ').append(type).append('\n');
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
           [](const ProcessorLink &l, Series &s) { s.line("dap_up", qint64(l.isUp() ? 1 : 0)); });
    metric("dap_last_heard_seconds", "gauge",
           "Seconds since the processor was last heard (TCP or announcement).",
           [nowMs](const ProcessorLink &l, Series &s) {
               if (l.lastHeardMs() >= 0)
                   s.real("dap_last_heard_seconds", double(nowMs - l.lastHeardMs()) / 1000.0);
           });
    metric("dap_dsp_load_percent", "gauge", "DSP load of the processor in percent.",
           [](const ProcessorLink &l, Series &s) {
               if (l.isUp() && l.readings().has(R::DspLoad))
                   s.real("dap_dsp_load_percent", double(l.readings().dspUsage));
           });
    metric("dap_fault", "gauge",
           "Fault bits the processor reports (1 DSP, 2 Flash, 4 Temp, 8 DAC); 0 without fault.",
           [](const ProcessorLink &l, Series &s) {
               if (l.isUp() && l.readings().has(R::Faults))
                   s.line("dap_fault", qint64(l.readings().faults));
           });
    metric("dap_level_dbu", "gauge", "Level meter of an input or output channel in dBu.",
           [](const ProcessorLink &l, Series &s) {
               const R &r = l.readings();
               if (!l.isUp())
                   return;
               if (r.has(R::InLevels)) {
                   for (int c = 0; c < R::kInputs; ++c)
                       s.line("dap_level_dbu", r.inLevel[std::size_t(c)], "in", c + 1);
               }
               if (r.has(R::OutLevels)) {
                   for (int c = 0; c < R::kOutputs; ++c)
                       s.line("dap_level_dbu", r.outLevel[std::size_t(c)], "out", c + 1);
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
                       s.line("dap_gain_reduction_db", r.inReduction[std::size_t(c)], "in", c + 1);
               }
               if (r.has(R::OutReduction)) {
                   for (int c = 0; c < R::kOutputs; ++c)
                       s.line("dap_gain_reduction_db", r.outReduction[std::size_t(c)], "out",
                              c + 1);
               }
           });
    metric("dap_gate_open", "gauge", "1 while the gate of an input channel is open.",
           [](const ProcessorLink &l, Series &s) {
               const R &r = l.readings();
               if (!l.isUp() || !r.has(R::GateOpen))
                   return;
               for (int c = 0; c < R::kInputs; ++c)
                   s.line("dap_gate_open", qint64(r.gateOpen[std::size_t(c)] ? 1 : 0), "in", c + 1);
           });
    metric("dap_connect_attempts_total", "counter",
           "Connections the bridge began to the processor.", [](const ProcessorLink &l, Series &s) {
               s.line("dap_connect_attempts_total", qint64(l.attempts()));
           });
    metric("dap_connect_failures_total", "counter",
           "Connections that ended before the login was accepted.",
           [](const ProcessorLink &l, Series &s) {
               s.line("dap_connect_failures_total", qint64(l.failures()));
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
