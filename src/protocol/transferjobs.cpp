#include "transferjobs.h"

#include "payload.h"

#include <QFile>

namespace proto {

namespace {

const uchar *bytesOf(const Frame &f)
{
    return reinterpret_cast<const uchar *>(f.payload.constData());
}

TransferMessage presetMessage(quint8 code, const QByteArray &payload, quint8 direction = DirSet)
{
    return {ClassModule, kPresetModule, code, direction, payload};
}

bool isPresetReport(const Frame &f, std::initializer_list<quint8> codes)
{
    if (f.frameClass != ClassModule || f.frameType != kPresetModule || f.direction != DirReport)
        return false;
    for (quint8 c : codes) {
        if (f.paramCode == c)
            return true;
    }
    return false;
}

// A 4-byte size or count report; nothing for another length.
std::optional<quint32> u32Report(const Frame &f)
{
    if (f.payload.size() != 4)
        return std::nullopt;
    return getU32(bytesOf(f));
}

QByteArray u16Bytes(quint16 v)
{
    return PayloadWriter().u16(v).data();
}

} // namespace

FirmwareCheck checkFirmwareImage(quint8 target, const QByteArray &image)
{
    FirmwareCheck c;
    if (image.isEmpty())
        c.problem = FirmwareCheck::Empty;
    else if (image.size() > kMaxFirmwareBlocks * kBlockSize)
        c.problem = FirmwareCheck::TooLarge;
    else if (target == kArmTarget && image.size() < kArmHeaderSize)
        c.problem = FirmwareCheck::ShorterThanHeader;
    else if (target == kArmTarget) {
        const auto *p = reinterpret_cast<const uchar *>(image.constData());
        c.headerByte = p[2];
        if (getU16(p) != 0x8C7F || (p[2] != 0x20 && p[2] != 0x10))
            c.problem = FirmwareCheck::BadHeader;
    }
    return c;
}

FirmwareCheck loadFirmwareImage(quint8 target, const QString &path, QByteArray &image)
{
    image.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {FirmwareCheck::Unreadable, 0};
    const qint64 limit = kMaxFirmwareBlocks * kBlockSize;
    if (file.size() > limit)
        return {FirmwareCheck::TooLarge, 0};
    // Read in pieces: one read of the largest size would take that much memory for any
    // image. One byte over the limit is enough to tell a file that grew meanwhile.
    constexpr qint64 kPiece = 1 << 20;
    while (image.size() <= limit) {
        const QByteArray piece = file.read(qMin(kPiece, limit + 1 - image.size()));
        if (piece.isEmpty())
            break;
        image += piece;
    }
    if (file.error() != QFileDevice::NoError) {
        image.clear();
        return {FirmwareCheck::Unreadable, 0};
    }
    return checkFirmwareImage(target, image);
}

int firmwareProgressRange(qint64 size)
{
    return int(size / kBlockSize);
}

FirmwareUpload::FirmwareUpload(quint8 target, QByteArray image)
    : m_target(target), m_image(std::move(image))
{
}

bool FirmwareUpload::matches(const Frame &frame) const
{
    return frame.frameClass == ClassUpgrade && frame.frameType == m_target;
}

TransferStep FirmwareUpload::sendBlock(int index)
{
    TransferStep s;
    s.kind = TransferStep::Continue;
    const QByteArray payload =
        u16Bytes(quint16(index)) + m_image.mid(qsizetype(index) * kBlockSize, kBlockSize);
    s.send.append({ClassUpgrade, m_target, 1, DirSet, payload});
    s.progress = index;
    m_sent = index;
    return s;
}

TransferStep FirmwareUpload::start()
{
    TransferStep s = sendBlock(0);
    s.range = firmwareProgressRange(m_image.size());
    return s;
}

TransferStep FirmwareUpload::answer(const Frame &frame)
{
    if (frame.paramCode != 1 || frame.direction != DirReport || frame.payload.size() != 2)
        return {};
    // One block is out at a time: any other index means the processor is not where the
    // upload is, and going on would write the image out of order.
    if (const int acknowledged = getU16(bytesOf(frame)); acknowledged != m_sent)
        return TransferStep::wrongBlock(acknowledged, m_sent);
    if (m_sent + 1 >= blockCount()) {
        TransferStep done;
        done.kind = TransferStep::Done;
        return done;
    }
    return sendBlock(m_sent + 1);
}

bool PresetExport::matches(const Frame &frame) const
{
    return isPresetReport(frame, {PresetExportStart, PresetExportData});
}

TransferStep PresetExport::start()
{
    return TransferStep::sending(presetMessage(PresetExportStart, QByteArray(1, char(m_slot))));
}

TransferStep PresetExport::ask()
{
    m_asked = qMin<quint32>(kBlockSize, m_size - quint32(m_data.size()));
    return TransferStep::sending(
        presetMessage(PresetExportData, PayloadWriter().u32(m_asked).data()));
}

TransferStep PresetExport::answer(const Frame &frame)
{
    if (frame.paramCode == PresetExportStart) {
        const auto size = u32Report(frame);
        if (m_size != 0 || !size)
            return {};
        if (*size == 0 || *size > kMaxPresetSize)
            return TransferStep::fail(TransferError::BadSize);
        m_size = *size;
        TransferStep s = ask();
        s.range = int(m_size);
        s.progress = 0;
        return s;
    }
    if (m_size == 0)
        return {};
    const qsizetype n = frame.payload.size();
    if (n == 0)
        return TransferStep::fail(TransferError::EmptyData);
    if (n > qsizetype(m_asked))
        return TransferStep::fail(TransferError::TooMuchData);
    m_data.append(frame.payload);
    if (quint32(m_data.size()) == m_size) {
        TransferStep done;
        done.kind = TransferStep::Done;
        done.progress = int(m_size);
        return done;
    }
    TransferStep s = ask();
    s.progress = int(m_data.size());
    return s;
}

bool PresetBankExport::matches(const Frame &frame) const
{
    return isPresetReport(frame, {PresetBankExportStart, PresetBankExportBlock});
}

TransferStep PresetBankExport::start()
{
    return TransferStep::sending(presetMessage(PresetBankExportStart, {}));
}

TransferStep PresetBankExport::ask()
{
    ++m_block;
    return TransferStep::sending(presetMessage(PresetBankExportBlock, u16Bytes(quint16(m_block))));
}

TransferStep PresetBankExport::answer(const Frame &frame)
{
    if (frame.paramCode == PresetBankExportStart) {
        const auto size = u32Report(frame);
        if (m_size != 0 || !size)
            return {};
        if (*size == 0 || *size > kMaxPresetBankSize)
            return TransferStep::fail(TransferError::BadSize);
        m_size = *size;
        TransferStep s = ask();
        s.range = int(m_size);
        s.progress = 0;
        return s;
    }
    if (m_size == 0 || frame.payload.size() < 2 || getU16(bytesOf(frame)) != m_block)
        return {};
    const QByteArray data = frame.payload.mid(2);
    const quint32 remaining = m_size - quint32(m_data.size());
    if (data.isEmpty())
        return TransferStep::fail(TransferError::EmptyData);
    if (data.size() > kBlockSize || quint32(data.size()) > remaining)
        return TransferStep::fail(TransferError::TooMuchData);
    m_data.append(data);
    if (quint32(m_data.size()) == m_size) {
        TransferStep done;
        done.kind = TransferStep::Done;
        done.progress = int(m_size);
        return done;
    }
    if (data.size() < kBlockSize)
        return TransferStep::fail(TransferError::ShortData);
    TransferStep s = ask();
    s.progress = int(m_data.size());
    return s;
}

bool PresetImport::matches(const Frame &frame) const
{
    return isPresetReport(frame, {PresetImportStart, PresetImportData});
}

TransferStep PresetImport::start()
{
    return TransferStep::sending(presetMessage(PresetImportStart, QByteArray(1, char(m_slot))));
}

TransferStep PresetImport::sendChunk()
{
    TransferStep s;
    s.kind = TransferStep::Continue;
    const QByteArray chunk = m_file.mid(m_position, kBlockSize);
    m_sent = chunk.size();
    s.send.append(presetMessage(PresetImportData, chunk));
    s.progress = int(m_position);
    if (chunk.isEmpty())
        s.kind = TransferStep::Done; // the empty chunk is the end mark
    return s;
}

TransferStep PresetImport::answer(const Frame &frame)
{
    const auto value = u32Report(frame);
    if (!value)
        return {};
    if (frame.paramCode == PresetImportStart) {
        if (m_sizeKnown)
            return {};
        if (*value != quint32(m_file.size()))
            return TransferStep::fail(TransferError::SizeMismatch);
        m_sizeKnown = true;
        TransferStep s = sendChunk();
        s.range = int(m_file.size());
        return s;
    }
    if (!m_sizeKnown)
        return {};
    if (*value == 0)
        return TransferStep::fail(TransferError::EmptyData);
    if (*value > quint32(m_sent))
        return TransferStep::fail(TransferError::TooMuchData);
    m_position += qsizetype(*value);
    return sendChunk();
}

bool PresetBankImport::matches(const Frame &frame) const
{
    return isPresetReport(frame, {PresetBankImportStart, PresetBankImportBlock});
}

TransferStep PresetBankImport::start()
{
    return TransferStep::sending(presetMessage(PresetBankImportStart, {}));
}

TransferStep PresetBankImport::sendBlock(int block)
{
    TransferStep s;
    s.kind = TransferStep::Continue;
    m_block = block;
    const QByteArray data = m_file.mid(qsizetype(block) * kBlockSize, kBlockSize);
    // The processor takes these blocks as requests.
    s.send.append(
        presetMessage(PresetBankImportBlock, u16Bytes(quint16(block)) + data, DirRequest));
    s.progress = block * kBlockSize;
    return s;
}

TransferStep PresetBankImport::answer(const Frame &frame)
{
    if (frame.paramCode == PresetBankImportStart) {
        const auto size = u32Report(frame);
        if (m_block >= 0 || !size)
            return {};
        if (*size != quint32(m_file.size()))
            return TransferStep::fail(TransferError::SizeMismatch);
        TransferStep s = sendBlock(0);
        s.range = int(m_file.size());
        return s;
    }
    if (m_block < 0 || frame.payload.size() < 2 || getU16(bytesOf(frame)) != m_block)
        return {};
    if (qsizetype(m_block + 1) * kBlockSize >= m_file.size()) {
        TransferStep done;
        done.kind = TransferStep::Done;
        done.progress = int(m_file.size());
        return done;
    }
    return sendBlock(m_block + 1);
}

qsizetype ReadBack::pendingIndex(const Frame &frame) const
{
    if (frame.frameClass != ClassModule || frame.direction != DirReport)
        return -1;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const TransferMessage &m = m_pending[i];
        if (m.frameType == frame.frameType && m.code == frame.paramCode &&
            frame.payload.size() > m.payload.size() && frame.payload.startsWith(m.payload))
            return i;
    }
    return -1;
}

bool ReadBack::matches(const Frame &frame) const
{
    return pendingIndex(frame) >= 0;
}

TransferStep ReadBack::start()
{
    TransferStep s;
    s.kind = m_pending.isEmpty() ? TransferStep::Done : TransferStep::Continue;
    s.send = m_pending;
    m_total = int(m_pending.size());
    s.range = m_total;
    s.progress = 0;
    return s;
}

TransferStep ReadBack::answer(const Frame &frame)
{
    const qsizetype i = pendingIndex(frame);
    if (i < 0)
        return {};
    m_pending.removeAt(i);
    TransferStep s;
    s.kind = m_pending.isEmpty() ? TransferStep::Done : TransferStep::Continue;
    s.progress = m_total - int(m_pending.size());
    return s;
}

} // namespace proto
