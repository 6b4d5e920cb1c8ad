#include "channelselect.h"

#include "widgets/language.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

QChannelSelect::QChannelSelect(QWidget *parent) : QDialog(parent)
{
    setFixedSize(500, 200);
    QFont f = font();
    f.setFamily(QStringLiteral("Arial"));
    setFont(f);

    m_inputBox = new QGroupBox(this);
    m_inputBox->setGeometry(10, 10, 360, 60);
    auto *inLayout = new QHBoxLayout(m_inputBox);
    for (int i = 0; i < kInputs; ++i) {
        auto *b = new QPushButton(QString::number(i + 1), m_inputBox);
        b->setObjectName(QStringLiteral("normalButton3"));
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Ignored, b->sizePolicy().verticalPolicy());
        inLayout->addWidget(b);
        connect(b, &QPushButton::clicked, this,
                [this, i](bool checked) { inputChannelBtnClicked(i, checked); });
        m_inputButtons[size_t(i)] = b;
    }

    m_outputBox = new QGroupBox(this);
    m_outputBox->setGeometry(10, 90, 480, 60);
    auto *outLayout = new QHBoxLayout(m_outputBox);
    for (int i = 0; i < kOutputs; ++i) {
        auto *b = new QPushButton(QString::number(i + 1), m_outputBox);
        b->setObjectName(QStringLiteral("normalButton3"));
        b->setCheckable(true);
        // The row is tight: the disabled source, styled with a border, asks for another
        // width; every button takes an equal share instead.
        b->setSizePolicy(QSizePolicy::Ignored, b->sizePolicy().verticalPolicy());
        outLayout->addWidget(b);
        connect(b, &QPushButton::clicked, this,
                [this, i](bool checked) { outputChannelBtnClicked(i, checked); });
        m_outputButtons[size_t(i)] = b;
    }

    m_buttonBox =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    m_buttonBox->setGeometry(175, 160, 150, 32);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QChannelSelect::acceptClicked);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    retranslate();
}

bool QChannelSelect::selectChannels(int source)
{
    if (source >= 0 && source < kInputs)
        m_inputButtons[size_t(source)]->setEnabled(false);
    else if (source >= kInputs && source < kInputs + kOutputs)
        m_outputButtons[size_t(source - kInputs)]->setEnabled(false);
    return exec() == QDialog::Accepted;
}

void QChannelSelect::acceptClicked()
{
    quint8 in = 0;
    quint8 out = 0;
    for (int i = 0; i < kInputs; ++i) {
        if (m_inputButtons[size_t(i)]->isChecked())
            in |= quint8(1u << i);
    }
    for (int i = 0; i < kOutputs; ++i) {
        if (m_outputButtons[size_t(i)]->isChecked())
            out |= quint8(1u << i);
    }
    m_inputMask = in;
    m_outputMask = out;
    accept();
}

// The buttons act as independent switches: a click only confirms its own state.
void QChannelSelect::inputChannelBtnClicked(int channel, bool isChecked)
{
    m_inputButtons[size_t(channel)]->setChecked(isChecked);
}

void QChannelSelect::outputChannelBtnClicked(int channel, bool isChecked)
{
    m_outputButtons[size_t(channel)]->setChecked(isChecked);
}

void QChannelSelect::inputChannelBtnClicked(bool isChecked)
{
    for (int i = 0; i < kInputs; ++i) {
        if (sender() && sender() == m_inputButtons[size_t(i)])
            inputChannelBtnClicked(i, isChecked);
    }
}

void QChannelSelect::outputChannelBtnClicked(bool isChecked)
{
    for (int i = 0; i < kOutputs; ++i) {
        if (sender() && sender() == m_outputButtons[size_t(i)])
            outputChannelBtnClicked(i, isChecked);
    }
}

void QChannelSelect::hideEvent(QHideEvent *event)
{
    // The next opening starts with nothing chosen and only its own source disabled.
    for (QPushButton *b : m_inputButtons) {
        b->setChecked(false);
        b->setEnabled(true);
    }
    for (QPushButton *b : m_outputButtons) {
        b->setChecked(false);
        b->setEnabled(true);
    }
    QDialog::hideEvent(event);
}

void QChannelSelect::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void QChannelSelect::retranslate()
{
    setWindowTitle(tr("Select Channel"));
    m_inputBox->setTitle(tr("Input channel"));
    m_outputBox->setTitle(tr("Output channel"));
    const QString family = currentLanguageFont();
    if (!family.isEmpty()) {
        QFont f(family, 8);
        m_inputBox->setFont(f);
        m_outputBox->setFont(f);
    }
}
