// Preset messages (module id 32): slot list, save, recall, rename, erase and the
// single and all-presets transfers.
#include "device.h"
#include "presetimage.h"

#include "protocol/payload.h"

namespace sim {

using proto::Frame;

namespace {

constexpr int kChunk = 1024;

enum PresetCode : quint8 {
    SlotList = 1,
    Save = 2,
    Erase = 4,
    Rename = 5,
    BankExportBlock = 6,
    BankImportBlock = 7,
    Recall = 9,
    ExportStart = 10,
    BankExportStart = 11,
    ExportData = 12,
    ImportStart = 13,
    BankImportStart = 14,
    ImportData = 15,
};

QByteArray sizeReport(qsizetype size)
{
    return proto::PayloadWriter().u32(quint32(size)).data();
}

// A preset name: the bytes up to a NUL, at most 16.
QByteArray nameOf(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return (nul >= 0 ? bytes.left(nul) : bytes).left(PresetBank::kNameWidth);
}

} // namespace

void Device::handlePresets(const Frame &f, Session &s, Replies &out)
{
    const QByteArray &p = f.payload;
    const bool request = f.direction == proto::DirRequest;
    const auto slotArg = [&p]() {
        return p.size() == 1 && quint8(p[0]) < PresetBank::kSlots ? int(quint8(p[0])) : -1;
    };
    const int imageSize = presetImageSize();

    if (f.paramCode == SlotList) {
        if (request && p.isEmpty())
            report(out, f, m_presets.slotList());
        return;
    }
    if (f.paramCode == BankImportBlock) {
        // One block of an all-presets import: [block uint16][data]; the program sends it
        // as a request, a set is taken as well.
        if (p.size() < 2 || !s.bankImportActive)
            return;
        const int block = proto::getU16(reinterpret_cast<const uchar *>(p.constData()));
        const int total = PresetBank::bankSize(imageSize);
        if (block == 0) {
            s.bankImport.clear();
            s.bankImportNextBlock = 0;
        }
        if (block != s.bankImportNextBlock || s.bankImport.size() + p.size() - 2 > total) {
            emit logMessage(QStringLiteral("all-presets import: block %1 refused").arg(block));
            return;
        }
        s.bankImport.append(p.mid(2));
        s.bankImportNextBlock = block + 1;
        report(out, f, p.left(2));
        if (s.bankImport.size() == total) {
            const bool ok = m_presets.importAll(s.bankImport, imageSize);
            emit logMessage(ok ? QStringLiteral("all presets imported")
                               : QStringLiteral("all-presets import refused: bad file"));
            s.bankImportActive = false;
            s.bankImport.clear();
        }
        return;
    }
    if (request)
        return;

    switch (f.paramCode) {
    case Save: {
        const int slot = slotArg();
        if (slot < 0)
            return;
        PresetSlot &ps = m_presets.entries[slot];
        ps.image = encodePresetImage(m_params, m_config.variant);
        ps.inUse = true;
        if (ps.name.isEmpty())
            ps.name = QByteArray("Preset ") + QByteArray::number(slot + 1);
        m_presets.current = slot;
        break;
    }
    case Erase: {
        const int slot = slotArg();
        if (slot < 0)
            return;
        m_presets.entries[slot] = PresetSlot{};
        if (m_presets.current == slot)
            m_presets.current = -1;
        break;
    }
    case Rename:
        if (!p.isEmpty() && quint8(p[0]) < PresetBank::kSlots && p.size() <= 1 + 16)
            m_presets.entries[quint8(p[0])].name = nameOf(p.mid(1));
        break;
    case Recall: {
        const int slot = slotArg();
        if (slot < 0 || !m_presets.entries[slot].inUse)
            return;
        Params next = m_params;
        if (!decodePresetImage(m_presets.entries[slot].image, m_config.variant, next))
            return;
        // The processor reports its progress while it loads the preset.
        report(out, f, QByteArray(1, 0));
        for (int o = 0; o < kOutputs; ++o)
            next.outDelay[o] = range::outputDelay(next.outDelay[o], o, reducedDelays());
        for (int step : {25, 50, 75})
            report(out, f, QByteArray(1, char(step)));
        m_params = next;
        m_presets.current = slot;
        report(out, f, QByteArray(1, char(100)));
        break;
    }
    case ExportStart: {
        const int slot = slotArg();
        if (slot < 0)
            return;
        s.presetExport =
            m_presets.entries[slot].inUse ? m_presets.entries[slot].image : QByteArray();
        s.presetExportPos = 0;
        report(out, f, sizeReport(s.presetExport.size()));
        break;
    }
    case ExportData: {
        if (p.size() != 4)
            return;
        const quint32 asked = proto::getU32(reinterpret_cast<const uchar *>(p.constData()));
        const qsizetype count = qMin<qsizetype>(asked, kChunk);
        const QByteArray data = s.presetExport.mid(s.presetExportPos, count);
        s.presetExportPos += data.size();
        report(out, f, data);
        break;
    }
    case BankExportStart:
        if (!p.isEmpty())
            return;
        s.bankExport = m_presets.exportAll(imageSize);
        report(out, f, sizeReport(s.bankExport.size()));
        break;
    case BankExportBlock: {
        if (p.size() != 2)
            return;
        const int block = proto::getU16(reinterpret_cast<const uchar *>(p.constData()));
        report(out, f, p + s.bankExport.mid(qsizetype(block) * kChunk, kChunk));
        break;
    }
    case ImportStart: {
        const int slot = slotArg();
        if (slot < 0)
            return;
        s.presetImportSlot = slot;
        s.presetImport.clear();
        report(out, f, sizeReport(imageSize));
        break;
    }
    case ImportData: {
        if (s.presetImportSlot < 0 || p.size() > kChunk)
            return;
        if (!p.isEmpty()) {
            qsizetype room = imageSize - s.presetImport.size();
            if (m_config.importAck > 0)
                room = qMin<qsizetype>(room, m_config.importAck);
            const QByteArray accepted = p.left(room);
            s.presetImport.append(accepted);
            report(out, f, sizeReport(accepted.size()));
            return;
        }
        // The empty chunk ends the import; it gets no answer.
        Params check;
        if (decodePresetImage(s.presetImport, m_config.variant, check)) {
            PresetSlot &ps = m_presets.entries[s.presetImportSlot];
            ps.image = s.presetImport;
            ps.inUse = true;
            if (ps.name.isEmpty())
                ps.name = QByteArray("Preset ") + QByteArray::number(s.presetImportSlot + 1);
            emit logMessage(QStringLiteral("preset %1 imported").arg(s.presetImportSlot + 1));
        } else {
            emit logMessage(
                QStringLiteral("preset import refused: %1 bytes").arg(s.presetImport.size()));
        }
        s.presetImportSlot = -1;
        s.presetImport.clear();
        break;
    }
    case BankImportStart:
        if (!p.isEmpty())
            return;
        s.bankImportActive = true;
        s.bankImport.clear();
        s.bankImportNextBlock = 0;
        report(out, f, sizeReport(PresetBank::bankSize(imageSize)));
        break;
    default:
        break;
    }
}

} // namespace sim
