#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// Starts a firmware upgrade of target (proto::kArmTarget or kDspTarget): asks for the
// image, reads and checks it whole, asks for confirmation and hands it to the one transfer.
// Does nothing unless logged in and connected, or while another transfer runs. Returns the
// path chosen (empty when nothing was chosen). parent is the parent of every box.
QString startFirmwareUpgrade(QWidget *parent, quint8 target);
