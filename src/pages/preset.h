#pragma once

#include "protocol/transfer.h"

#include <QByteArray>
#include <QWidget>

#include <array>
#include <memory>

class QLineEdit;
class QPushButton;
class QSaveFile;
class QTableWidget;

// The "Preset" tab: the processor's 32 preset slots (name, save, recall, import, export,
// erase), all presets to and from a file, and the offline preset file. Transfers run on
// proto::Transfer, one at a time, with the program-wide progress dialog.
class QPreset : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSlots = 32;
    static constexpr int kNameBytes = 16;
    static constexpr int kSlotListSize = 1 + kSlots * (1 + kNameBytes);

    enum RowButton { SaveButton, RecallButton, ImportButton, ExportButton, EraseButton };

    explicit QPreset(QWidget *parent = nullptr);
    ~QPreset() override;

    // A module message of module 32.
    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload);
    // The processor's generation (ARM major version): 2 has the 48 kHz preset layout.
    void setGeneration(int major) { m_generation = major; }

    int currentSlot() const { return m_current; }
    bool slotInUse(int slot) const { return m_inUse[size_t(slot)]; }
    QByteArray slotName(int slot) const { return m_names[size_t(slot)]; }
    QTableWidget *table() const { return m_table; }
    QLineEdit *nameEdit(int slot) const { return m_rows[size_t(slot)].name; }
    QPushButton *rowButton(int slot, RowButton which) const;
    QPushButton *importAllButton() const { return m_importAll; }
    QPushButton *exportAllButton() const { return m_exportAll; }
    QPushButton *offlineSaveButton() const { return m_offlineSave; }

Q_SIGNALS:
    void sigSave(uchar variant, QString fileName);

public Q_SLOTS:
    void timeOut20ms();
    void nameEditingFinished(int slot);
    void saveClicked(int slot);
    void recallClicked(int slot);
    void eraseClicked(int slot);
    void importOneClicked(int slot);
    void exportOneClicked(int slot);
    void importAllClicked();
    void exportAllClicked();
    void savepcClicked();

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Row {
        QLineEdit *name = nullptr;
        std::array<QPushButton *, 5> buttons{};
    };

    void buildUi();
    void retranslate();
    void slotList(const uchar *payload);
    void setCurrent(int slot);
    bool confirmSlot(const char *format, int slot);
    bool canStart() const;
    // Asks for a file to write, adds suffix when missing and opens it; false after a
    // message when it cannot be written.
    bool openExport(const QString &caption, const QString &filter, const QString &suffix);
    // Asks for a file to read and reads it whole; empty after a message when it cannot be
    // read or cannot be a preset file.
    QByteArray readImport(const QString &caption, const QString &filter, quint32 maxSize,
                          QString *path);
    void runTransfer(std::unique_ptr<proto::TransferJob> job, const QString &label, bool writes);
    void transferEnded(proto::TransferError error, const QByteArray &received, bool writes);

    std::array<Row, kSlots> m_rows{};
    std::array<bool, kSlots> m_inUse{};
    std::array<QByteArray, kSlots> m_names{};
    int m_current = -1;
    int m_generation = 0;
    quint32 m_tick = 0;
    QTableWidget *m_table = nullptr;
    QPushButton *m_importAll = nullptr;
    QPushButton *m_exportAll = nullptr;
    QPushButton *m_offlineSave = nullptr;
    std::unique_ptr<QSaveFile> m_exportFile;
};
