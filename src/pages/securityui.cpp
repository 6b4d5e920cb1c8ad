// Widgets, layout and texts of the security page.
#include "security.h"

#include "widgets/language.h"
#include "widgets/qlock.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>

using namespace locktable;

namespace {

// Grid geometry: the input half on the left, the output half on the right.
constexpr int kGridWidth = 1100;
constexpr int kGridHeight = 345;
constexpr int kTitleTop = 2;
constexpr int kRowsTop = 22;
constexpr int kInPitch = 41;
constexpr int kOutPitch = 40;
constexpr int kInLeft = 0;
constexpr int kOutLeft = 556;
constexpr int kHalfWidth = 528;
constexpr int kNumberWidth = 26;
constexpr int kColumn = 62;
constexpr int kFilterColumn = 178;
constexpr int kBandPitch = 17;
constexpr int kBandRowGap = 22;
constexpr int kLegendTop = 200;

const QColor kGridColour(192, 192, 192);
const QColor kBandColour(148, 148, 148);

// Titles of the twelve module columns, items 3 to 14.
const char *const kTitles[12] = {
    QT_TRANSLATE_NOOP("QSecurity", "InLevel"),    QT_TRANSLATE_NOOP("QSecurity", "Gate"),
    QT_TRANSLATE_NOOP("QSecurity", "FeedBack"),   QT_TRANSLATE_NOOP("QSecurity", "InFilter"),
    QT_TRANSLATE_NOOP("QSecurity", "InLimiter"),  QT_TRANSLATE_NOOP("QSecurity", "InDelay"),
    QT_TRANSLATE_NOOP("QSecurity", "MixMtx"),     QT_TRANSLATE_NOOP("QSecurity", "Signal"),
    QT_TRANSLATE_NOOP("QSecurity", "OutLevel"),   QT_TRANSLATE_NOOP("QSecurity", "OutFilter"),
    QT_TRANSLATE_NOOP("QSecurity", "OutLimiter"), QT_TRANSLATE_NOOP("QSecurity", "OutDelay"),
};
const char *const kLegendTexts[3] = {
    QT_TRANSLATE_NOOP("QSecurity", "Free"),
    QT_TRANSLATE_NOOP("QSecurity", "Read-only"),
    QT_TRANSLATE_NOOP("QSecurity", "Hidden"),
};

using SimpleSlot = void (QSecurity::*)(uchar);
using BandSlot = void (QSecurity::*)(uchar, uchar);

SimpleSlot simpleSlot(quint8 item)
{
    switch (item) {
    case 3:
        return &QSecurity::inlevelClicked;
    case 4:
        return &QSecurity::gateClicked;
    case 5:
        return &QSecurity::feedbackClicked;
    case 7:
        return &QSecurity::inLimiterClicked;
    case 8:
        return &QSecurity::inDelayClicked;
    case 9:
        return &QSecurity::mtxmixClicked;
    case 10:
        return &QSecurity::signalClicked;
    case 11:
        return &QSecurity::outlevelClicked;
    case 13:
        return &QSecurity::outLimiterClicked;
    default:
        return &QSecurity::outDelayClicked;
    }
}

QFont pointFont(int points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"), points);
    font.setBold(bold);
    return font;
}

// A plain grey area; the grid also draws a darker band behind every second row.
class GreyArea : public QWidget {
public:
    using QWidget::QWidget;
    QList<QRect> bands;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), kGridColour);
        for (const QRect &band : bands)
            painter.fillRect(band, kBandColour);
    }
};

} // namespace

void QSecurity::buildUi()
{
    setObjectName(QStringLiteral("securityWidget"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    auto *bg = new QWidget(this);
    bg->setObjectName(QStringLiteral("securityBgWidget"));
    bg->setFont(QFont(QStringLiteral("Arial")));
    layout->addWidget(bg);

    buildTopBar(bg)->setGeometry(10, 8, 264, 32);
    m_message = new QLabel(bg);
    m_message->setObjectName(QStringLiteral("securityMessage"));
    m_message->setGeometry(290, 8, 500, 32);
    m_message->setFont(pointFont(9, true));
    m_message->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    buildGrid(bg)->setGeometry(10, 48, kGridWidth, kGridHeight);
    retranslate();
}

QWidget *QSecurity::buildTopBar(QWidget *parent)
{
    auto *bar = new GreyArea(parent);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 4, 4, 4);
    m_pageLock = new QLock(1, QString(), bar);
    m_pageLock->setFixedSize(25, 26);
    m_pwdLabel = new QLabel(bar);
    m_pwdLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pwdLabel->setFont(pointFont(9));
    m_pwdEdit = new QLineEdit(bar);
    m_pwdEdit->setMaxLength(8);
    // Shown as dots; the characters sent are the ones typed.
    m_pwdEdit->setEchoMode(QLineEdit::Password);
    m_quitButton = new QPushButton(bar);
    m_quitButton->setFixedSize(54, 20);
    m_quitButton->hide();
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_pageLock, m_pwdLabel, m_pwdEdit, m_quitButton})
        row->addWidget(w, 0, Qt::AlignVCenter);
    connect(m_pwdEdit, &QLineEdit::editingFinished, this, &QSecurity::pwdEditingFinished);
    connect(m_quitButton, &QPushButton::clicked, this, &QSecurity::quitClicked);
    return bar;
}

QWidget *QSecurity::buildGrid(QWidget *parent)
{
    auto *grid = new GreyArea(parent);
    for (int r = 1; r < 4; r += 2)
        grid->bands.append(QRect(kInLeft, kRowsTop + r * kInPitch, kHalfWidth, kInPitch));
    for (int r = 1; r < 8; r += 2)
        grid->bands.append(QRect(kOutLeft, kRowsTop + r * kOutPitch, kHalfWidth, kOutPitch));

    for (int side = 0; side < 2; ++side) {
        const int left = side == 0 ? kInLeft : kOutLeft;
        const int pitch = side == 0 ? kInPitch : kOutPitch;
        const int rows = side == 0 ? 4 : 8;
        for (int r = 0; r < rows; ++r) {
            auto *number = new QLabel(QString::number(r + 1), grid);
            number->setFont(pointFont(12, true));
            number->setAlignment(Qt::AlignCenter);
            number->setGeometry(left, kRowsTop + r * pitch, kNumberWidth, pitch);
        }
        int x = left + kNumberWidth;
        for (int i = 0; i < 6; ++i) {
            const Block &b = kBlocks[size_t(side * 6 + i)];
            const int width = b.isFilter() ? kFilterColumn : kColumn;
            auto *title = new QLabel(grid);
            title->setFont(pointFont(9));
            title->setAlignment(Qt::AlignCenter);
            title->setGeometry(x, kTitleTop, width, 18);
            m_titles[size_t(side * 6 + i)] = title;
            addModuleColumn(grid, x, kRowsTop, pitch, b.item);
            x += width;
        }
    }
    addLegend(grid, kInLeft + kNumberWidth, kLegendTop);
    return grid;
}

void QSecurity::addModuleColumn(QWidget *grid, int x, int top, int pitch, quint8 item)
{
    const Block b = *block(item);
    for (int ch = 0; ch < b.channels; ++ch) {
        const int y = top + ch * pitch;
        const auto channel = uchar(ch);
        if (!b.isFilter()) {
            auto *lock = new QLock(0, QString::number(ch + 1), grid);
            lock->setGeometry(x + (kColumn - 25) / 2, y + (pitch - 26) / 2, 25, 26);
            m_icons[size_t(b.offset + ch)] = lock;
            const SimpleSlot slot = simpleSlot(item);
            connect(lock, &QLock::clicked, this, [this, slot, channel] { (this->*slot)(channel); });
            continue;
        }
        const bool in = item == kInFilterItem;
        const int row = b.offset + ch * kFilterRow;
        const int y0 = y + (pitch - kBandRowGap - 18) / 2;
        auto place = [&](int entry, const QString &text, int lx, int ly) {
            auto *lock = new QLock(0, text, grid);
            lock->setFont(pointFont(7));
            lock->setGeometry(lx, ly, 15, 18);
            m_icons[size_t(row + entry)] = lock;
            return lock;
        };
        const SimpleSlot graph = in ? &QSecurity::inGraphClicked : &QSecurity::outGraphClicked;
        const SimpleSlot hp = in ? &QSecurity::inHPFilterClicked : &QSecurity::outHPFilterClicked;
        const SimpleSlot lp = in ? &QSecurity::inLPFilterClicked : &QSecurity::outLPFilterClicked;
        const BandSlot band =
            in ? &QSecurity::inFilterBandClicked : &QSecurity::outFilterBandClicked;
        connect(place(kGraph, QStringLiteral("G"), x + 4, y0 + kBandRowGap / 2), &QLock::clicked,
                this, [this, graph, channel] { (this->*graph)(channel); });
        connect(place(kHighPass, QStringLiteral("HP"), x + 22, y0), &QLock::clicked, this,
                [this, hp, channel] { (this->*hp)(channel); });
        connect(place(kLowPass, QStringLiteral("LP"), x + 22, y0 + kBandRowGap), &QLock::clicked,
                this, [this, lp, channel] { (this->*lp)(channel); });
        for (int bnd = 0; bnd < kFilterBands; ++bnd) {
            const int bx = x + 42 + (bnd % 8) * kBandPitch;
            const int by = y0 + (bnd / 8) * kBandRowGap;
            const auto bandIndex = uchar(bnd);
            connect(place(kBand0 + bnd, QString::number(bnd + 1), bx, by), &QLock::clicked, this,
                    [this, band, channel, bandIndex] { (this->*band)(channel, bandIndex); });
        }
    }
}

void QSecurity::addLegend(QWidget *grid, int x, int y)
{
    m_legendTitle = new QLabel(grid);
    m_legendTitle->setFont(pointFont(9, true));
    m_legendTitle->setGeometry(x, y, 120, 18);
    for (int s = 0; s < 3; ++s) {
        const int lx = x + s * 130;
        auto *lock = new QLock(s, QString(), grid);
        lock->setGeometry(lx, y + 24, 25, 26);
        auto *text = new QLabel(grid);
        text->setFont(pointFont(9));
        text->setGeometry(lx + 32, y + 24, 90, 26);
        m_legendTexts[size_t(s)] = text;
    }
}

void QSecurity::retranslate()
{
    const QString family = currentLanguageFont();
    m_pwdLabel->setText(tr("Password :"));
    m_quitButton->setText(tr("Quit"));
    for (size_t i = 0; i < m_titles.size(); ++i)
        m_titles[i]->setText(tr(kTitles[i]));
    m_legendTitle->setText(tr("Legend"));
    for (size_t i = 0; i < m_legendTexts.size(); ++i)
        m_legendTexts[i]->setText(tr(kLegendTexts[i]));
    m_pwdLabel->setFont(QFont(family, 9));
}

void QSecurity::showMessage(const QString &text)
{
    m_message->setText(text);
}

void QSecurity::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void QSecurity::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
