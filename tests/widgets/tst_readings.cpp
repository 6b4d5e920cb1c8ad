// Live readings (meters and the numbers beside them) change several times a second. On a
// panel of one plain colour they repaint themselves alone, not the panels beneath them, and
// look as they did when drawn over the panel.
#include "widgets/qmeterwidget.h"
#include "widgets/readout.h"

#include "paintcounter.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {
const QColor kPanel(253, 253, 253);
} // namespace

class TestReadings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void repaintsAlone_data();
    void repaintsAlone();
    void numberKeepsThePanelColour();
};

void TestReadings::initTestCase()
{
    qApp->setStyleSheet(
        QStringLiteral("QWidget#page { background-color: black; }"
                       "QWidget#plain { background-color: rgb(253, 253, 253); border-radius: 4px; }"
                       "QWidget#shaded { background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,"
                       " stop: 0 white, stop: 1 gray); }"));
}

void TestReadings::repaintsAlone_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("meter");
    QTest::addColumn<bool>("panelRepaints");
    QTest::newRow("meter on a plain panel") << "plain" << true << false;
    QTest::newRow("meter on a shaded panel") << "shaded" << true << false;
    QTest::newRow("number on a plain panel") << "plain" << false << false;
    // Filling with a colour would hide the shading: the number stays see-through.
    QTest::newRow("number on a shaded panel") << "shaded" << false << true;
    QTest::newRow("number on a panel without a colour of its own") << "bare" << false << true;
}

void TestReadings::repaintsAlone()
{
    QFETCH(QString, panel);
    QFETCH(bool, meter);
    QFETCH(bool, panelRepaints);

    QWidget page;
    page.setObjectName(QStringLiteral("page"));
    page.resize(200, 300);
    auto *area = new QWidget(&page);
    area->setObjectName(panel);
    area->setGeometry(10, 10, 150, 260);
    QWidget *reading = nullptr;
    if (meter) {
        auto *m = new QMeterWidget(area);
        m->setGeometry(10, 10, 24, 220);
        m->setSegmentCount(45);
        m->setRange(-60, 24);
        m->setValue(-60);
        reading = m;
    } else {
        auto *label = new QLabel(QStringLiteral("-60"), area);
        label->move(10, 10);
        setUpReadout(label, QStringLiteral("-100dBu"));
        reading = label;
    }
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    PaintCounter areaPaints;
    PaintCounter readingPaints;
    area->installEventFilter(&areaPaints);
    reading->installEventFilter(&readingPaints);
    if (auto *m = qobject_cast<QMeterWidget *>(reading))
        m->setValue(12);
    else
        static_cast<QLabel *>(reading)->setText(QStringLiteral("-12"));
    QTRY_VERIFY(readingPaints.count > 0);
    QCOMPARE(areaPaints.count > 0, panelRepaints);
}

void TestReadings::numberKeepsThePanelColour()
{
    QWidget page;
    page.setObjectName(QStringLiteral("page"));
    page.resize(200, 100);
    auto *area = new QWidget(&page);
    area->setObjectName(QStringLiteral("plain"));
    area->setGeometry(10, 10, 150, 60);
    auto *label = new QLabel(QStringLiteral("-1"), area);
    label->move(10, 10);
    setUpReadout(label, QStringLiteral("-100dBu"));
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    const QImage shown = page.grab().toImage();
    const QPoint corner = label->mapTo(&page, QPoint(0, 0));
    QCOMPARE(shown.pixelColor(corner), kPanel);
    QCOMPARE(shown.pixelColor(corner + QPoint(label->width() - 1, label->height() - 1)), kPanel);
}

QTEST_MAIN(TestReadings)
#include "tst_readings.moc"
