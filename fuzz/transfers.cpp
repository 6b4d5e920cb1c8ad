// Preset files (.pst1 one preset, .pst all presets) and firmware images through the one
// transfer, with the processor's answers as a hostile Frame stream: the image is read and
// checked from a file as the upgrade does, the preset file handed over as the preset page
// does, and answers reach the transfer the way the program routes them.
//
// Input: byte 0 picks the job (ARM image, DSP image, preset import, bank import, preset
// export, bank export); bytes 1-2 (little-endian) the file's length; then the file; the
// rest is the received byte stream, cut into reads of (byte % 64) + 1 bytes, where 0xFF
// instead lets the watchdog fire or the user cancel.
#include "fuzzapp.h"

#include "protocol/router.h"
#include "protocol/transfer.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

struct Harness {
    QTemporaryDir dir;
    QString imagePath = dir.filePath(QStringLiteral("image.bin"));
    proto::FrameRouter router;

    Harness()
    {
        proto::Transport::instance().setSink([](const QByteArray &) {});
        auto toTransfer = [](const proto::Frame &frame) {
            proto::Transfer::instance().receive(frame);
        };
        for (quint8 target : {proto::kArmTarget, proto::kDspTarget})
            router.setHandler(proto::ClassUpgrade, target, toTransfer);
        router.setHandler(proto::ClassModule, proto::kPresetModule, toTransfer);
    }

    std::unique_ptr<proto::TransferJob> firmwareJob(quint8 target, const QByteArray &file)
    {
        QFile out(imagePath);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size())
            return nullptr;
        out.close();
        QByteArray image;
        const proto::FirmwareCheck check = proto::loadFirmwareImage(target, imagePath, image);
        if (check.problem != proto::FirmwareCheck::Ok)
            return nullptr; // refused before anything is sent
        return std::make_unique<proto::FirmwareUpload>(target, image);
    }

    std::unique_ptr<proto::TransferJob> job(uint8_t kind, const QByteArray &file)
    {
        switch (kind % 6) {
        case 0:
            return firmwareJob(proto::kArmTarget, file);
        case 1:
            return firmwareJob(proto::kDspTarget, file);
        case 2:
            return std::make_unique<proto::PresetImport>(quint8(file.size() % 32), file);
        case 3:
            return std::make_unique<proto::PresetBankImport>(file);
        case 4:
            return std::make_unique<proto::PresetExport>(quint8(file.size() % 32));
        default:
            return std::make_unique<proto::PresetBankExport>();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static Harness *h = new Harness;
    if (size < 3)
        return 0;
    const size_t declared = size_t(data[1]) | size_t(data[2]) << 8;
    const size_t fileSize = std::min(declared, size - 3);
    const QByteArray file(reinterpret_cast<const char *>(data + 3), qsizetype(fileSize));

    proto::Transfer &transfer = proto::Transfer::instance();
    proto::Transport &transport = proto::Transport::instance();
    QByteArray received;
    bool ended = false;
    transfer.start(h->job(data[0], file), QStringLiteral("fuzz"),
                   [&](proto::TransferError, const QByteArray &bytes) {
                       received = bytes;
                       ended = true;
                   });

    size_t i = 3 + fileSize;
    while (i < size && transfer.busy()) {
        const uint8_t op = data[i++];
        if (op == 0xFF) {
            if (transfer.cancellable())
                transfer.cancel();
            else
                transfer.timeOut();
            continue;
        }
        const size_t n = std::min<size_t>(op % 64 + 1, size - i);
        transport.receiveBytes(QByteArray(reinterpret_cast<const char *>(data + i), qsizetype(n)),
                               h->router);
        i += n;
    }
    // A transfer never ends with more than its job may hold.
    if (ended && received.size() > qsizetype(proto::kMaxPresetBankSize))
        __builtin_trap();
    transfer.abandon();
    transport.clearReceived();
    return 0;
}
