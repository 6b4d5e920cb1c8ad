// The bound on the device list: once it is full, a newly heard processor takes the place of
// the one silent longest that was never selected, so a flood of forged announcements cannot
// keep real processors out; processors not heard since start go in one step.
#include "devtable.h"

#include "logging.h"

#include <QMessageBox>
#include <QPushButton>

#include <limits>

bool QDevTable::makeRoom()
{
    // Silent since before the start counts as silent longest of all.
    const auto silentSince = [](const Device &d) {
        return d.heardThisRun ? d.lastHeard : std::numeric_limits<qint64>::min();
    };
    const Device *oldest = nullptr;
    for (const auto &d : m_devices) {
        // A processor the user selected keeps its place.
        if (d->socket)
            continue;
        if (!oldest || silentSince(*d) < silentSince(*oldest))
            oldest = d.get();
    }
    if (!oldest)
        return false;
    const int index = oldest->index;
    qCDebug(lcDevices) << "list full: machine id" << oldest->record.machineid << "makes room";
    emit sigRemoveDev(index);
    removeDev(index);
    return true;
}

int QDevTable::notHeardSinceStart() const
{
    return int(std::count_if(m_devices.begin(), m_devices.end(),
                             [](const auto &d) { return !d->heardThisRun; }));
}

int QDevTable::removeNotHeardSinceStart()
{
    const bool transaction = m_store.begin();
    int removed = 0;
    for (int i = deviceCount() - 1; i >= 0; --i) {
        if (m_devices[size_t(i)]->heardThisRun)
            continue;
        emit sigRemoveDev(i);
        removeDev(i);
        ++removed;
    }
    if (transaction)
        m_store.commit();
    return removed;
}

void QDevTable::removeUnheardClicked()
{
    const int count = notHeardSinceStart();
    QWidget *owner = parentWidget() ? parentWidget() : this;
    if (count == 0) {
        QMessageBox::information(owner, tr("Remove processors"),
                                 tr("Every processor in the list was heard since the start."));
        return;
    }
    QMessageBox ask(QMessageBox::Question, tr("Remove processors"),
                    tr("Remove the %1 processors not heard since the program started from the "
                       "list and from device.db?")
                        .arg(count),
                    QMessageBox::NoButton, owner);
    QPushButton *remove = ask.addButton(tr("Remove"), QMessageBox::AcceptRole);
    ask.addButton(QMessageBox::Cancel);
    ask.setDefaultButton(remove);
    ask.exec();
    if (ask.clickedButton() == remove)
        removeNotHeardSinceStart();
}

void QDevTable::reportLimit()
{
    if (m_limitMessage)
        return;
    qCWarning(lcDevices) << "device list full at" << m_options.maxDevices << "processors";
    m_limitMessage = new QMessageBox(
        QMessageBox::Warning, tr("Device list full"),
        tr("The device list holds %1 processors, the most it can keep. From now on a processor "
           "heard for the first time takes the place of the one silent longest that was never "
           "selected. \"Remove processors not heard since start\" (right-click a processor) "
           "clears the ones that stay silent.")
            .arg(m_options.maxDevices),
        QMessageBox::Ok, parentWidget() ? parentWidget() : this);
    m_limitMessage->setModal(false);
    m_limitMessage->show();
}
