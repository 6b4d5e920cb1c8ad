#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// Starts a firmware upgrade of target (proto::kArmTarget or kDspTarget) on the processor
// machineId: asks for the image, reads and checks it whole, asks for confirmation, takes the
// processor's firmware lock and hands the image to the one transfer. Does nothing unless
// logged in and connected, or while another transfer runs. Returns the path chosen (empty
// when nothing was chosen). parent is the parent of every box.
QString startFirmwareUpgrade(QWidget *parent, quint8 target, quint32 machineId);
