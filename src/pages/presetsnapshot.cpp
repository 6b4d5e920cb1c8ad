// The offline preset file: the snapshot of every block taken from the module pages.
#include "funcwidget.h"

#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QPointer>

namespace {

void fromLevel(PresetSnapshot::Level &out, const LevelChannel &in)
{
    out.gain = in.gain;
    out.mute = in.mute;
    out.invert = in.invert;
}

void fromFilter(PresetSnapshot::Filter &out, const FilterChannelState &in)
{
    out.highPass = {in.hpEnable, in.hpType, in.hpSlope, float(in.hpFreq)};
    out.lowPass = {in.lpEnable, in.lpType, in.lpSlope, float(in.lpFreq)};
    for (int b = 0; b < PresetSnapshot::kBands; ++b) {
        out.bands[size_t(b)] = {in.bandEnable[b], in.bandType[b], float(in.bandFreq[b]),
                                in.bandGain[b], in.bandQ[b]};
    }
}

} // namespace

PresetSnapshot FuncWidget::presetSnapshot() const
{
    PresetSnapshot s;
    for (int i = 0; i < PresetSnapshot::kInputs; ++i) {
        fromLevel(s.inLevel[size_t(i)], m_inLevel->channelState(i));
        fromFilter(s.inFilter[size_t(i)], m_inFilter->channelState(i));
    }
    for (int o = 0; o < PresetSnapshot::kOutputs; ++o) {
        fromLevel(s.outLevel[size_t(o)], m_outLevel->channelState(o));
        fromFilter(s.outFilter[size_t(o)], m_outFilter->channelState(o));
    }
    // Hooks for the pages still to come. Each fills its records here from its mirror once
    // its class replaces the placeholder; until then those records hold the processor's
    // factory values:
    //   gate        -> s.gate[i]        (enable, threshold, attack, decay)
    //   feedback    -> s.feedback[i]    (enable)
    //   in limiter  -> s.inLimiter[i],  out limiter -> s.outLimiter[o]
    //   in delay    -> s.inDelay[i],    out delay   -> s.outDelay[o] (ms, unclamped)
    //   mixer       -> s.mix[o].gain / .enable
    //   generator   -> s.generator and s.mix[o].generator
    return s;
}

QList<proto::TransferMessage> FuncWidget::presetReadRequests() const
{
    QList<proto::TransferMessage> requests;
    auto ask = [&requests](quint8 module, quint8 code, QByteArray payload) {
        requests.append({proto::ClassModule, module, code, proto::DirRequest, payload});
    };
    for (const QModulePanel *level : {static_cast<const QModulePanel *>(m_inLevel),
                                      static_cast<const QModulePanel *>(m_outLevel)}) {
        for (int ch = 0; ch < level->channelCount(); ++ch) {
            for (quint8 code :
                 {QLevelPanel::CodeMute, QLevelPanel::CodeGain, QLevelPanel::CodeInvert})
                ask(level->moduleId(), code, QByteArray(1, char(ch)));
        }
    }
    for (const QModulePanel *filter : {static_cast<const QModulePanel *>(m_inFilter),
                                       static_cast<const QModulePanel *>(m_outFilter)}) {
        for (int ch = 0; ch < filter->channelCount(); ++ch) {
            ask(filter->moduleId(), QFilterPanel::CodeHighPass, QByteArray(1, char(ch)));
            ask(filter->moduleId(), QFilterPanel::CodeLowPass, QByteArray(1, char(ch)));
            for (int b = 0; b < PresetSnapshot::kBands; ++b)
                ask(filter->moduleId(), QFilterPanel::CodeBand, QByteArray(1, char(ch)) + char(b));
        }
    }
    // Hook: the pages still to come add the requests of every value they give the
    // snapshot (gate, feedback, limiters, delays, mixer, generator).
    return requests;
}

void FuncWidget::writePresetFile(int variant, const QString &path)
{
    QString error;
    if (!presetimage::save(presetSnapshot(), variant, path, &error)) {
        prompts::notify(this, QMessageBox::Critical, tr("ERROR"),
                        tr("%1 cannot be written: %2").arg(path, error));
    }
}

void FuncWidget::savePreset2PC(uchar saveType, QString dir)
{
    const int variant = saveType == 0 ? 0 : 1;
    proto::Transfer &transfer = proto::Transfer::instance();
    if (!proto::Transport::instance().canSend()) {
        writePresetFile(variant, dir); // offline: what the pages hold
        return;
    }
    // Connected: every value is read from the processor first, so none comes from a
    // page that was never opened.
    QPointer<FuncWidget> self(this);
    const bool started = transfer.start(
        std::make_unique<proto::ReadBack>(presetReadRequests()), tr("Reading the processor..."),
        [self, variant, dir](proto::TransferError error, const QByteArray &) {
            if (!self)
                return;
            if (error == proto::TransferError::None)
                self->writePresetFile(variant, dir);
            else if (error != proto::TransferError::Cancelled)
                prompts::notify(self, QMessageBox::Critical, tr("ERROR"),
                                tr("The processor did not report every value; %1 was not "
                                   "written.")
                                    .arg(dir));
        });
    if (!started) {
        prompts::notify(this, QMessageBox::Warning, tr("warning"),
                        tr("Another transfer is running; %1 was not written.").arg(dir));
    }
}
