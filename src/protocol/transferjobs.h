#pragma once

#include "transfer.h"

namespace proto {

// Firmware images go in blocks of kBlockSize bytes after a 2-byte block index; a block
// index is 16 bits, so an image has at most kMaxBlocks blocks.
inline constexpr int kBlockSize = 1024;
inline constexpr qint64 kMaxFirmwareBlocks = 65536;
inline constexpr quint8 kArmTarget = 1;
inline constexpr quint8 kDspTarget = 2;
inline constexpr int kArmHeaderSize = 8;

// Preset transfers: module 32, one preset at most kMaxPresetSize bytes, all presets at
// most kMaxPresetBankSize.
inline constexpr quint8 kPresetModule = 32;
inline constexpr quint32 kMaxPresetSize = 65536;
inline constexpr quint32 kMaxPresetBankSize = 4 * 1024 * 1024;

enum PresetCode : quint8 {
    PresetSlotList = 1,
    PresetSave = 2,
    PresetErase = 4,
    PresetRename = 5,
    PresetBankExportBlock = 6,
    PresetBankImportBlock = 7,
    PresetRecall = 9,
    PresetExportStart = 10,
    PresetBankExportStart = 11,
    PresetExportData = 12,
    PresetImportStart = 13,
    PresetBankImportStart = 14,
    PresetImportData = 15,
};

// What is wrong with a firmware image, checked before anything is sent.
struct FirmwareCheck {
    enum Problem { Ok, Unreadable, Empty, ShorterThanHeader, TooLarge, BadHeader };
    Problem problem = Ok;
    quint8 headerByte = 0; // the byte at offset 2 (BadHeader)
};

// An ARM image starts with 7F 8C and then 0x20 or 0x10; a DSP image may hold anything.
FirmwareCheck checkFirmwareImage(quint8 target, const QByteArray &image);
// Reads the whole file (at most the largest image plus one byte) into image and checks it.
FirmwareCheck loadFirmwareImage(quint8 target, const QString &path, QByteArray &image);
// The progress range of an image: its whole KiB.
int firmwareProgressRange(qint64 size);

// Sends image block by block (class 1, frame type target); only the acknowledgement of the
// block just sent moves it on, and the acknowledgement of the last block completes it. An
// acknowledgement of any other block ends it (WrongBlock).
class FirmwareUpload : public TransferJob {
public:
    FirmwareUpload(quint8 target, QByteArray image);
    bool matches(const Frame &frame) const override;
    TransferStep start() override;
    TransferStep answer(const Frame &frame) override;

    int blockCount() const { return int((m_image.size() + kBlockSize - 1) / kBlockSize); }

private:
    TransferStep sendBlock(int index);

    quint8 m_target;
    QByteArray m_image;
    int m_sent = -1;
};

// One preset from a slot to the PC: size (code 10), then the data in asked pieces (12).
class PresetExport : public TransferJob {
public:
    explicit PresetExport(quint8 slot) : m_slot(slot) {}
    bool matches(const Frame &frame) const override;
    TransferStep start() override;
    TransferStep answer(const Frame &frame) override;
    QByteArray received() const override { return m_data; }

private:
    TransferStep ask();

    quint8 m_slot;
    quint32 m_size = 0;
    quint32 m_asked = 0;
    QByteArray m_data;
};

// All presets to the PC: total size (code 11), then 1024-byte blocks by number (6).
class PresetBankExport : public TransferJob {
public:
    bool matches(const Frame &frame) const override;
    TransferStep start() override;
    TransferStep answer(const Frame &frame) override;
    QByteArray received() const override { return m_data; }

private:
    TransferStep ask();

    quint32 m_size = 0;
    int m_block = -1;
    QByteArray m_data;
};

// One preset file into a slot: the processor states the size it expects (code 13), then
// 1024-byte chunks, each acknowledged with the count taken (15), then an empty chunk.
class PresetImport : public TransferJob {
public:
    PresetImport(quint8 slot, QByteArray file) : m_slot(slot), m_file(std::move(file)) {}
    bool matches(const Frame &frame) const override;
    TransferStep start() override;
    TransferStep answer(const Frame &frame) override;

private:
    TransferStep sendChunk();

    quint8 m_slot;
    QByteArray m_file;
    bool m_sizeKnown = false;
    qsizetype m_position = 0;
    qsizetype m_sent = 0;
};

// All presets from a file: the expected size (code 14), then numbered 1024-byte blocks,
// each acknowledged by its number (7). Stopping halfway would leave the slots half
// written, so it cannot be cancelled.
class PresetBankImport : public TransferJob {
public:
    explicit PresetBankImport(QByteArray file) : m_file(std::move(file)) {}
    bool matches(const Frame &frame) const override;
    TransferStep start() override;
    TransferStep answer(const Frame &frame) override;
    bool cancellable() const override { return false; }

private:
    TransferStep sendBlock(int block);

    QByteArray m_file;
    int m_block = -1;
};

// Asks for module values (class 3 requests) and completes once every one has been
// reported: a report answers a request of the same module and code whose payload it
// begins with (the channel, and the band for filter bands).
class ReadBack : public TransferJob {
public:
    explicit ReadBack(QList<TransferMessage> requests) : m_pending(std::move(requests)) {}
    bool matches(const Frame &frame) const override;
    TransferStep start() override;
    TransferStep answer(const Frame &frame) override;

private:
    qsizetype pendingIndex(const Frame &frame) const;

    QList<TransferMessage> m_pending;
    int m_total = 0;
};

} // namespace proto
