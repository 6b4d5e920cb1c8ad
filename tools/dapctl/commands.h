#pragma once

#include <QStringList>

namespace ctl {

class CtlContext;

// Each command takes its positional arguments and returns the exit code.
int runList(CtlContext &ctx, const QStringList &args);
int runInfo(CtlContext &ctx, const QStringList &args);
int runGet(CtlContext &ctx, const QStringList &args);
int runSet(CtlContext &ctx, const QStringList &args);
int runSetIp(CtlContext &ctx, const QStringList &args);
int runBackup(CtlContext &ctx, const QStringList &args);
int runRestore(CtlContext &ctx, const QStringList &args);
// firmware: target 1 (ARM) or 2 (DSP) and the image path come from the options.
int runFirmware(CtlContext &ctx, const QStringList &args, quint8 target, const QString &image);

} // namespace ctl
