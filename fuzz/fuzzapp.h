#pragma once

class QDevTable;
class QDeviceList;

// The application object every fuzz target needs: offscreen, created once.
void ensureFuzzApp();

// The device list follows the device table as the main window wires them.
void wireDeviceList(QDevTable &table, QDeviceList &list);
