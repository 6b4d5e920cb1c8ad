// The offline preset file: the snapshot of every block taken from the module pages.
#include "funcwidget.h"

#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QPointer>
#include <QStackedWidget>

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

void fromLimiter(PresetSnapshot::Limiter &out, const LimiterParams &in)
{
    out = {in.enable, in.threshold, float(in.ratio), float(in.attack), float(in.decay)};
}

void fromGate(PresetSnapshot::Gate &out, const GateChannel &in)
{
    out = {in.enable, float(in.threshold), float(in.attack), float(in.decay)};
}

} // namespace

PresetSnapshot FuncWidget::presetSnapshot() const
{
    PresetSnapshot s;
    for (int i = 0; i < PresetSnapshot::kInputs; ++i) {
        const auto n = size_t(i);
        fromGate(s.gate[n], m_gate->channelState(i));
        fromLevel(s.inLevel[n], m_inLevel->channelState(i));
        s.feedback[n] = m_feedback->enabled(i) ? 1 : 0;
        fromFilter(s.inFilter[n], m_inFilter->channelState(i));
        fromLimiter(s.inLimiter[n], m_inLimiter->channelState(i));
        s.inDelay[n] = m_inDelay->delay(i);
    }
    const GeneratorState &generator = m_sigGenerator->state();
    for (int o = 0; o < PresetSnapshot::kOutputs; ++o) {
        const auto n = size_t(o);
        PresetSnapshot::Mix &mix = s.mix[n];
        for (int i = 0; i < PresetSnapshot::kInputs; ++i) {
            mix.gain[size_t(i)] = qint8(m_mixer->crosspointGain(o, i));
            mix.enable[size_t(i)] = m_mixer->crosspointOn(o, i) ? 1 : 0;
        }
        mix.generator = generator.outputs[n] ? 1 : 0;
        fromLevel(s.outLevel[n], m_outLevel->channelState(o));
        fromFilter(s.outFilter[n], m_outFilter->channelState(o));
        fromLimiter(s.outLimiter[n], m_outLimiter->channelState(o));
        s.outDelay[n] = m_outDelay->delay(o); // the writer limits it for the 48 kHz file
    }
    s.generator = {generator.mute, float(generator.frequency), generator.gain, generator.source};
    return s;
}

QList<proto::TransferMessage> FuncWidget::presetReadRequests() const
{
    QList<proto::TransferMessage> requests;
    auto ask = [&requests](const QModulePanel *panel, quint8 code, QByteArray payload = {}) {
        requests.append({proto::ClassModule, panel->moduleId(), code, proto::DirRequest, payload});
    };
    // One request per channel and code: the report starts with the channel.
    auto perChannel = [&ask](const QModulePanel *panel, std::initializer_list<quint8> codes) {
        for (int ch = 0; ch < panel->channelCount(); ++ch) {
            for (quint8 code : codes)
                ask(panel, code, QByteArray(1, char(ch)));
        }
    };
    for (const QModulePanel *level : {static_cast<const QModulePanel *>(m_inLevel),
                                      static_cast<const QModulePanel *>(m_outLevel)})
        perChannel(level, {QLevelPanel::CodeMute, QLevelPanel::CodeGain, QLevelPanel::CodeInvert});
    for (const QModulePanel *filter : {static_cast<const QModulePanel *>(m_inFilter),
                                       static_cast<const QModulePanel *>(m_outFilter)}) {
        for (int ch = 0; ch < filter->channelCount(); ++ch) {
            ask(filter, QFilterPanel::CodeHighPass, QByteArray(1, char(ch)));
            ask(filter, QFilterPanel::CodeLowPass, QByteArray(1, char(ch)));
            for (int b = 0; b < PresetSnapshot::kBands; ++b)
                ask(filter, QFilterPanel::CodeBand, QByteArray(1, char(ch)) + char(b));
        }
    }
    perChannel(m_gate, {QGate::CodeParams});
    perChannel(m_feedback, {QFeedback::CodeEnable});
    perChannel(m_inLimiter, {QLimiterPanel::CodeBlock});
    perChannel(m_outLimiter, {QLimiterPanel::CodeBlock});
    // A processor without input delays (its tab is taken away) would never answer.
    if (m_stack->indexOf(m_inDelay) >= 0)
        perChannel(m_inDelay, {QDelayPanel::kCodeDelay});
    perChannel(m_outDelay, {QDelayPanel::kCodeDelay});
    perChannel(m_mixer, {QMixer::CodeEnable, QMixer::CodeGain});
    perChannel(m_sigGenerator, {QSigGenerator::CodeOutput});
    for (quint8 code : {QSigGenerator::CodeFrequency, QSigGenerator::CodeSource,
                        QSigGenerator::CodeGain, QSigGenerator::CodeMute})
        ask(m_sigGenerator, code);
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
