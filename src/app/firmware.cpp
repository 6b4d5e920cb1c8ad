#include "firmware.h"

#include "app/logging.h"
#include "app/session.h"
#include "protocol/firmwarelock.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "widgets/prompts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

#include <memory>

namespace {

// The texts of the upgrade, translated in their own context.
struct FirmwareUpgrade {
    Q_DECLARE_TR_FUNCTIONS(FirmwareUpgrade)
};

QString problemText(const proto::FirmwareCheck &check, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    switch (check.problem) {
    case proto::FirmwareCheck::Unreadable:
        return FirmwareUpgrade::tr("The file %1 cannot be read.").arg(name);
    case proto::FirmwareCheck::Empty:
        return FirmwareUpgrade::tr("The file %1 is empty.").arg(name);
    case proto::FirmwareCheck::ShorterThanHeader:
    case proto::FirmwareCheck::BadHeader:
        return FirmwareUpgrade::tr("Bad file format");
    case proto::FirmwareCheck::TooLarge:
        return FirmwareUpgrade::tr(
                   "The file %1 is too large for a firmware image (at most 64 MiB).")
            .arg(name);
    case proto::FirmwareCheck::Ok:
        break;
    }
    return {};
}

QString endText(const proto::TransferEnd &end)
{
    switch (end.error) {
    case proto::TransferError::None:
        return FirmwareUpgrade::tr("The firmware image was sent completely.");
    case proto::TransferError::TimedOut:
        return FirmwareUpgrade::tr(
            "The processor stopped answering; the firmware upgrade did not complete.");
    case proto::TransferError::Cancelled:
        return FirmwareUpgrade::tr(
            "The firmware upgrade was cancelled; the image was not sent completely.");
    case proto::TransferError::WrongBlock:
        return FirmwareUpgrade::tr("The processor acknowledged block %1, expected %2; the "
                                   "firmware upgrade was stopped.")
            .arg(end.acknowledged)
            .arg(end.expected);
    case proto::TransferError::LinkLost:
        return FirmwareUpgrade::tr("The connection to the processor was lost (%1); the firmware "
                                   "upgrade did not complete.")
            .arg(end.reason);
    default:
        return FirmwareUpgrade::tr("The firmware upgrade failed.");
    }
}

} // namespace

QString startFirmwareUpgrade(QWidget *parent, quint8 target, quint32 machineId)
{
    proto::Transfer &transfer = proto::Transfer::instance();
    if (!session::loggedIn() || !proto::Transport::instance().canSend() || transfer.busy())
        return {};
    const bool arm = target == proto::kArmTarget;
    prompts::FileRequest request;
    request.caption = QStringLiteral("Find Files");
    request.filter =
        arm ? QStringLiteral("sbin Files (*.sbin)") : QStringLiteral("ldr Files (*.ldr)");
    const QString path = prompts::chooseFile(parent, request);
    if (path.isEmpty())
        return {};

    QByteArray image;
    const proto::FirmwareCheck check = proto::loadFirmwareImage(target, path, image);
    if (check.problem == proto::FirmwareCheck::BadHeader)
        qCDebug(lcApp, "0x%x", check.headerByte);
    if (check.problem != proto::FirmwareCheck::Ok) {
        prompts::notify(parent, QMessageBox::Critical, QStringLiteral("error"),
                        problemText(check, path),
                        check.problem == proto::FirmwareCheck::BadHeader
                            ? QMessageBox::Yes | QMessageBox::No
                            : QMessageBox::StandardButtons(QMessageBox::Ok));
        return path;
    }
    const QString question =
        (arm ? FirmwareUpgrade::tr("Upgrade the ARM firmware with %1 (%2 bytes)?")
             : FirmwareUpgrade::tr("Upgrade the DSP firmware with %1 (%2 bytes)?"))
            .arg(QFileInfo(path).fileName().toHtmlEscaped())
            .arg(image.size());
    if (!prompts::confirm(parent, FirmwareUpgrade::tr("warning"), question))
        return path;
    // The connection may have gone while the user was answering.
    if (!proto::Transport::instance().canSend())
        return path;
    // Held until the transfer ends: dapctl and another window leave this processor alone.
    auto lock = std::make_shared<proto::FirmwareLock>(machineId, 0);
    if (!lock->tryLock()) {
        prompts::notify(parent, QMessageBox::Warning, FirmwareUpgrade::tr("Firmware upgrade"),
                        FirmwareUpgrade::tr("Another firmware upgrade of this processor is "
                                            "running (%1); try again once it has ended.")
                            .arg(lock->holder()));
        return path;
    }
    transfer.start(
        std::make_unique<proto::FirmwareUpload>(target, image), FirmwareUpgrade::tr("updating..."),
        [parent = QPointer<QWidget>(parent), lock](proto::TransferError error, const QByteArray &) {
            const auto icon = error == proto::TransferError::None ? QMessageBox::Information
                                                                  : QMessageBox::Critical;
            prompts::notify(parent, icon, FirmwareUpgrade::tr("Firmware upgrade"),
                            endText(proto::Transfer::instance().lastEnd()));
        });
    return path;
}
