#include "preset.h"

#include "modules/changerecorder.h"
#include "modules/moduleclock.h"
#include "pages/progress.h"
#include "protocol/payload.h"
#include "protocol/savefile.h"
#include "protocol/transferjobs.h"
#include "protocol/transport.h"
#include "widgets/language.h"
#include "widgets/prompts.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QStyleOption>
#include <QTableWidget>

namespace {

constexpr int kColumnWidths[6] = {205, 70, 70, 70, 70, 70};
const char *const kRowTexts[5] = {
    QT_TRANSLATE_NOOP("QPreset", "Save"), QT_TRANSLATE_NOOP("QPreset", "Recall"),
    QT_TRANSLATE_NOOP("QPreset", "Import"), QT_TRANSLATE_NOOP("QPreset", "Export"),
    QT_TRANSLATE_NOOP("QPreset", "Delete")};
const QString kFilter96 = QStringLiteral("SHARC21489_96K (*.pst1)");
const QString kFilter48 = QStringLiteral("SHARC21488_48K (*.pst1)");

void send(quint8 code, const QByteArray &payload, quint8 direction = proto::DirSet)
{
    proto::sendFrame(proto::ClassModule, proto::kPresetModule, code, direction, payload.constData(),
                     quint16(payload.size()));
}

QString withSuffix(const QString &path, const QString &suffix)
{
    return path.endsWith(suffix, Qt::CaseInsensitive) ? path : path + suffix;
}

} // namespace

QPreset::QPreset(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("presetWidget"));
    buildUi();
    retranslate();
    ModuleClock::instance().add(
        this, [this] { timeOut20ms(); },
        [this] {
            // The slot list is polled only while shown, and goes nowhere without a processor.
            if (!proto::Transport::instance().isLinked())
                return ModuleClock::kIdle;
            return isVisible() ? 9 - int(m_tick % 10) : ModuleClock::kMaxQuietTicks;
        });
}

QPreset::~QPreset() = default;

void QPreset::buildUi()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("presetBgWidget"));
    area->setFixedWidth(650);
    auto *placeHolder = new QWidget(this);
    placeHolder->setObjectName(QStringLiteral("presetPlaceHolder"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    layout->addWidget(area);
    layout->addWidget(placeHolder);

    m_table = new QTableWidget(kSlots, 6, area);
    m_table->setGeometry(25, 10, 600, 340);
    for (int c = 0; c < 6; ++c) {
        m_table->setColumnWidth(c, kColumnWidths[c]);
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
        m_table->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
    }
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    // Names travel as at most 16 Latin-1 bytes: only characters Latin-1 holds.
    const QRegularExpression latin1(QStringLiteral("[\\x{20}-\\x{7E}\\x{A0}-\\x{FF}]{0,16}"));
    for (int s = 0; s < kSlots; ++s) {
        Row &row = m_rows[size_t(s)];
        row.name = new QLineEdit;
        row.name->setMaxLength(kNameBytes);
        row.name->setValidator(new QRegularExpressionValidator(latin1, row.name));
        row.name->setStyleSheet(QStringLiteral("QLineEdit{border-width:0;border-style:outset}"));
        m_table->setCellWidget(s, 0, row.name);
        connect(row.name, &QLineEdit::editingFinished, this, [this, s] { nameEditingFinished(s); });
        for (int b = 0; b < 5; ++b) {
            auto *button = new QPushButton;
            row.buttons[size_t(b)] = button;
            m_table->setCellWidget(s, b + 1, button);
        }
        connect(row.buttons[SaveButton], &QPushButton::clicked, this,
                [this, s] { saveClicked(s); });
        connect(row.buttons[RecallButton], &QPushButton::clicked, this,
                [this, s] { recallClicked(s); });
        connect(row.buttons[ImportButton], &QPushButton::clicked, this,
                [this, s] { importOneClicked(s); });
        connect(row.buttons[ExportButton], &QPushButton::clicked, this,
                [this, s] { exportOneClicked(s); });
        connect(row.buttons[EraseButton], &QPushButton::clicked, this,
                [this, s] { eraseClicked(s); });
        for (RowButton b : {RecallButton, ExportButton, EraseButton})
            row.buttons[b]->setEnabled(false);
    }

    auto bottom = [area](int x) {
        auto *button = new QPushButton(area);
        button->setObjectName(QStringLiteral("normalButton"));
        button->setGeometry(x, 360, 100, 30);
        return button;
    };
    m_importAll = bottom(150);
    m_exportAll = bottom(280);
    m_offlineSave = bottom(410);
    connect(m_importAll, &QPushButton::clicked, this, &QPreset::importAllClicked);
    connect(m_exportAll, &QPushButton::clicked, this, &QPreset::exportAllClicked);
    connect(m_offlineSave, &QPushButton::clicked, this, &QPreset::savepcClicked);
}

void QPreset::retranslate()
{
    m_importAll->setText(tr("Import All"));
    m_exportAll->setText(tr("Export All"));
    m_offlineSave->setText(tr("Offline Save"));
    m_table->horizontalHeaderItem(0)->setText(tr("Name"));
    for (Row &row : m_rows) {
        for (int b = 0; b < 5; ++b)
            row.buttons[size_t(b)]->setText(tr(kRowTexts[b]));
    }
    setFont(QFont(currentLanguageFont(), 9));
}

QPushButton *QPreset::rowButton(int slot, RowButton which) const
{
    return m_rows[size_t(slot)].buttons[which];
}

void QPreset::timeOut20ms()
{
    if (++m_tick % 10 == 0 && isVisible())
        send(proto::PresetSlotList, {}, proto::DirRequest);
}

void QPreset::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (direction != proto::DirReport)
        return;
    switch (code) {
    case proto::PresetSlotList:
        if (length == kSlotListSize)
            slotList(payload);
        return;
    case proto::PresetRecall:
        // The processor's own progress while it loads a preset; a transfer keeps the dialog.
        if (length < 1 || proto::Transfer::instance().busy())
            return;
        if (payload[0] == 0)
            progressStart(100, QString());
        else if (payload[0] >= 100)
            progressEnd();
        else
            progressStep(payload[0]);
        return;
    default: {
        proto::Frame frame;
        frame.frameClass = proto::ClassModule;
        frame.frameType = proto::kPresetModule;
        frame.paramCode = code;
        frame.direction = direction;
        frame.payload = QByteArray(reinterpret_cast<const char *>(payload), length);
        proto::Transfer::instance().receive(frame);
        return;
    }
    }
}

void QPreset::slotList(const uchar *payload)
{
    const int current = qint8(payload[0]);
    if (current < kSlots)
        setCurrent(current < 0 ? -1 : current);
    proto::PayloadReader r(reinterpret_cast<const char *>(payload) + 1, kSlotListSize - 1);
    for (int s = 0; s < kSlots; ++s) {
        Row &row = m_rows[size_t(s)];
        const bool inUse = r.u8() != 0;
        const QByteArray name = r.text(kNameBytes);
        if (inUse != m_inUse[size_t(s)]) {
            m_inUse[size_t(s)] = inUse;
            for (RowButton b : {RecallButton, ExportButton, EraseButton})
                row.buttons[b]->setEnabled(inUse);
        }
        if (name != m_names[size_t(s)]) {
            m_names[size_t(s)] = name;
            // A name being typed stays as the user has it.
            if (!row.name->hasFocus())
                row.name->setText(QString::fromLatin1(name));
        }
    }
}

void QPreset::setCurrent(int slot)
{
    if (slot == m_current)
        return;
    if (m_current >= 0)
        rowButton(m_current, RecallButton)->setStyleSheet(QString());
    m_current = slot;
    if (slot >= 0)
        rowButton(slot, RecallButton)->setStyleSheet(QStringLiteral("background:rgb(0, 255, 0);"));
}

void QPreset::nameEditingFinished(int slot)
{
    QLineEdit *edit = m_rows[size_t(slot)].name;
    const QByteArray name = edit->text().toLatin1().left(kNameBytes);
    // Return and the focus loss that follows finish the same edit: send it once.
    if (name != m_names[size_t(slot)]) {
        m_names[size_t(slot)] = name;
        send(proto::PresetRename, QByteArray(1, char(slot)) + name);
    }
    const QSignalBlocker blocker(edit);
    edit->clearFocus();
}

bool QPreset::confirmSlot(const char *format, int slot)
{
    const QString name = QString::fromLatin1(m_names[size_t(slot)]).toHtmlEscaped();
    return prompts::confirm(nullptr, QStringLiteral("warning"),
                            QString::fromLatin1(format).arg(name));
}

void QPreset::saveClicked(int slot)
{
    if (confirmSlot("Save <font color='red'>%1</font> preset?", slot))
        send(proto::PresetSave, QByteArray(1, char(slot)));
}

void QPreset::recallClicked(int slot)
{
    if (confirmSlot("Recall <font color='red'>%1</font> preset?", slot)) {
        send(proto::PresetRecall, QByteArray(1, char(slot)));
        ChangeRecorder::instance().notUndoable(tr("recalling preset %1").arg(slot + 1));
    }
}

void QPreset::eraseClicked(int slot)
{
    if (confirmSlot("Erase <font color='red'>%1</font> preset?", slot))
        send(proto::PresetErase, QByteArray(1, char(slot)));
}

bool QPreset::canStart() const
{
    return proto::Transport::instance().canSend() && !proto::Transfer::instance().busy();
}

bool QPreset::openExport(const QString &caption, const QString &filter, const QString &suffix)
{
    prompts::FileRequest request{true, caption, filter, filter};
    const QString chosen = prompts::chooseFile(this, request);
    if (chosen.isEmpty())
        return false;
    auto file = std::make_unique<QSaveFile>(withSuffix(chosen, suffix));
    if (!file->open(QIODevice::WriteOnly)) {
        prompts::notify(this, QMessageBox::Critical, tr("ERROR"),
                        tr("%1 cannot be written: %2").arg(file->fileName(), file->errorString()));
        return false;
    }
    m_exportFile = std::move(file);
    return true;
}

QByteArray QPreset::readImport(const QString &caption, const QString &filter, quint32 maxSize,
                               QString *path)
{
    prompts::FileRequest request{false, caption, filter, filter};
    *path = prompts::chooseFile(this, request);
    if (path->isEmpty())
        return {};
    QFile file(*path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly) && file.size() <= qint64(maxSize))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        prompts::notify(this, QMessageBox::Critical, tr("ERROR"),
                        tr("%1 cannot be read: %2").arg(*path, file.errorString()));
        return {};
    }
    if (bytes.isEmpty()) {
        prompts::notify(this, QMessageBox::Critical, tr("ERROR"), tr("preset file format error!"));
    }
    return bytes;
}

void QPreset::runTransfer(std::unique_ptr<proto::TransferJob> job, const QString &label,
                          bool writes)
{
    // The page may be gone when a transfer ends (at exit): then nothing is left to tell.
    QPointer<QPreset> self(this);
    proto::Transfer::instance().start(
        std::move(job), label,
        [self, writes](proto::TransferError error, const QByteArray &received) {
            if (self)
                self->transferEnded(error, received, writes);
        });
}

void QPreset::transferEnded(proto::TransferError error, const QByteArray &received, bool writes)
{
    std::unique_ptr<QSaveFile> file = std::move(m_exportFile);
    QString problem;
    switch (error) {
    case proto::TransferError::None:
        if (writes && file &&
            (file->write(received) != received.size() || !proto::commitWhole(*file)))
            problem = tr("%1 cannot be written: %2").arg(file->fileName(), file->errorString());
        break;
    case proto::TransferError::Cancelled:
        break;
    case proto::TransferError::SizeMismatch:
        problem = tr("preset file format error!");
        break;
    case proto::TransferError::TimedOut:
        problem = tr("The processor stopped answering; the transfer did not complete.");
        break;
    case proto::TransferError::BadSize:
        problem = tr("The processor reported no preset, or an impossible size.");
        break;
    default:
        problem = tr("The processor's answer does not fit the transfer; it was stopped.");
        break;
    }
    if (file && error != proto::TransferError::None)
        file->cancelWriting(); // the old file stays as it was
    if (!problem.isEmpty())
        prompts::notify(this, QMessageBox::Critical, tr("ERROR"), problem);
}

void QPreset::exportOneClicked(int slot)
{
    if (!canStart() || !openExport(QStringLiteral("pst Files"),
                                   QStringLiteral("pst Files (*.pst1)"), QStringLiteral(".pst1")))
        return;
    runTransfer(std::make_unique<proto::PresetExport>(quint8(slot)), tr("Export to PC..."), true);
}

void QPreset::exportAllClicked()
{
    if (!canStart() ||
        !openExport(tr("pst Files"), tr("pst Files (*.pst)"), QStringLiteral(".pst")))
        return;
    runTransfer(std::make_unique<proto::PresetBankExport>(), tr("Export to PC..."), true);
}

void QPreset::importOneClicked(int slot)
{
    if (!canStart())
        return;
    QString path;
    const QByteArray file =
        readImport(QStringLiteral("pst Files"), QStringLiteral("pst Files (*.pst1)"),
                   proto::kMaxPresetSize, &path);
    if (file.isEmpty())
        return;
    const QString name = QString::fromLatin1(m_names[size_t(slot)]).toHtmlEscaped();
    const QString question = tr("Import %1 into preset %2 <font color='red'>%3</font>? "
                                "The preset stored there is replaced.")
                                 .arg(QFileInfo(path).fileName().toHtmlEscaped())
                                 .arg(slot + 1)
                                 .arg(name);
    if (!prompts::confirm(nullptr, tr("warning"), question) || !canStart())
        return;
    runTransfer(std::make_unique<proto::PresetImport>(quint8(slot), file), tr("Import from PC..."),
                false);
}

void QPreset::importAllClicked()
{
    if (!canStart())
        return;
    QString path;
    const QByteArray file =
        readImport(tr("pst Files"), tr("pst Files (*.pst)"), proto::kMaxPresetBankSize, &path);
    if (file.isEmpty())
        return;
    const QString question = tr("Import %1 into all presets? Every preset stored on the "
                                "processor is replaced, and the import cannot be stopped.")
                                 .arg(QFileInfo(path).fileName().toHtmlEscaped());
    if (!prompts::confirm(nullptr, tr("warning"), question) || !canStart())
        return;
    runTransfer(std::make_unique<proto::PresetBankImport>(file), tr("Import from PC..."), false);
}

void QPreset::savepcClicked()
{
    // The connected processor's layout comes first: 48 kHz for the second generation.
    const QString preferred = m_generation == 2 ? kFilter48 : kFilter96;
    prompts::FileRequest request{true, tr("pst Files"),
                                 kFilter96 + QStringLiteral(";;") + kFilter48, preferred};
    const QString chosen = prompts::chooseFile(this, request);
    if (chosen.isEmpty())
        return;
    const uchar variant = request.selectedFilter == kFilter48 ? 0 : 1;
    emit sigSave(variant, withSuffix(chosen, QStringLiteral(".pst1")));
}

void QPreset::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void QPreset::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
