#pragma once

#include <QStringList>

#include <memory>

namespace ctl {

class CtlContext;
class CtlLink;

// Says text with a pointer to --help; the usage exit code.
int usage(CtlContext &ctx, const QString &text);
// One address, connected and logged in; nothing, with exitCode set, when that fails.
std::unique_ptr<CtlLink> openOne(CtlContext &ctx, const QString &text, int *exitCode);

// Each command takes its positional arguments and returns the exit code.
int runList(CtlContext &ctx, const QStringList &args);
int runInfo(CtlContext &ctx, const QStringList &args);
int runGet(CtlContext &ctx, const QStringList &args);
int runSet(CtlContext &ctx, const QStringList &args);
int runDescribe(CtlContext &ctx, const QStringList &args);
int runPreset(CtlContext &ctx, const QStringList &args);
int runSetIp(CtlContext &ctx, const QStringList &args);
int runBackup(CtlContext &ctx, const QStringList &args);
int runRestore(CtlContext &ctx, const QStringList &args);
// firmware: target 1 (ARM) or 2 (DSP) and the image path come from the options.
int runFirmware(CtlContext &ctx, const QStringList &args, quint8 target, const QString &image);

} // namespace ctl
