#include "fuzzapp.h"

#include "devices/devicelist.h"
#include "devices/devtable.h"

#include <QApplication>
#include <QLoggingCategory>

void ensureFuzzApp()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Garbage makes the protocol's debug output chatty; the fuzzer's own output matters.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void wireDeviceList(QDevTable &table, QDeviceList &list)
{
    QObject::connect(&table, &QDevTable::sigAddDev, &list, &QDeviceList::addItem);
    QObject::connect(&table, &QDevTable::sigRemoveDev, &list, &QDeviceList::removeRow);
    QObject::connect(&table, &QDevTable::sigIpaddr, &list, &QDeviceList::setIpaddr);
    QObject::connect(&table, &QDevTable::sigNetBrowsingState, &list,
                     &QDeviceList::setNetBrowsingState);
    QObject::connect(&table, &QDevTable::sigModel, &list, &QDeviceList::setDeviceModel);
    QObject::connect(&table, &QDevTable::sigPreset, &list, &QDeviceList::setDevicePreset);
    QObject::connect(&table, &QDevTable::sigFault, &list, &QDeviceList::setFaultState);
    QObject::connect(&list, &QDeviceList::sig_removeRow, &table, &QDevTable::removeDev);
}
