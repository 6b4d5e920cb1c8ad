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

// A black page with a panel on it, styled by the name (see initTestCase), 10 px in.
struct Scene {
    Scene(const QString &panel, QSize size) : area(new QWidget(&page))
    {
        page.setObjectName(QStringLiteral("page"));
        page.resize(size + QSize(20, 20));
        area->setObjectName(panel);
        area->setGeometry(QRect(QPoint(10, 10), size));
    }
    QWidget page;
    QWidget *area;
};
} // namespace

class TestReadings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void repaintsAlone_data();
    void repaintsAlone();
    void numberKeepsThePanelColour();
    void numberLooksLikeALabel_data();
    void numberLooksLikeALabel();
};

void TestReadings::initTestCase()
{
    qApp->setStyleSheet(
        QStringLiteral("QWidget#page { background-color: black; }"
                       "QWidget#plain { background-color: rgb(253, 253, 253); border-radius: 4px; }"
                       "QWidget#shaded { background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,"
                       " stop: 0 white, stop: 1 gray); }"
                       "QLabel#red { color: rgb(200, 0, 0); }"));
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

    Scene scene(panel, QSize(150, 260));
    QWidget &page = scene.page;
    QWidget *area = scene.area;
    QWidget *reading = nullptr;
    if (meter) {
        auto *m = new QMeterWidget(area);
        m->setGeometry(10, 10, 24, 220);
        m->setSegmentCount(45);
        m->setRange(-60, 24);
        m->setValue(-60);
        reading = m;
    } else {
        auto *label = new Readout(QStringLiteral("-60"), QStringLiteral("-100dBu"), area);
        label->move(10, 10);
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
    Scene scene(QStringLiteral("plain"), QSize(150, 60));
    QWidget &page = scene.page;
    QWidget *area = scene.area;
    auto *label = new Readout(QStringLiteral("-1"), QStringLiteral("-100dBu"), area);
    label->move(10, 10);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    const QImage shown = page.grab().toImage();
    const QPoint corner = label->mapTo(&page, QPoint(0, 0));
    QCOMPARE(shown.pixelColor(corner), kPanel);
    QCOMPARE(shown.pixelColor(corner + QPoint(label->width() - 1, label->height() - 1)), kPanel);
}

void TestReadings::numberLooksLikeALabel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("centred") << QString() << int(Qt::AlignCenter) << true;
    QTest::newRow("left, coloured by the style sheet")
        << QStringLiteral("red") << int(Qt::AlignLeft | Qt::AlignVCenter) << true;
    QTest::newRow("right, disabled")
        << QString() << int(Qt::AlignRight | Qt::AlignVCenter) << false;
}

// The reading draws its text itself: the same pixels as a label of the same size would.
void TestReadings::numberLooksLikeALabel()
{
    QFETCH(QString, name);
    QFETCH(int, alignment);
    QFETCH(bool, enabled);

    Scene scene(QStringLiteral("plain"), QSize(300, 60));
    QWidget &page = scene.page;
    QWidget *area = scene.area;
    auto *reading = new Readout(QStringLiteral("-42dBu"), QStringLiteral("-100dBu"), area);
    auto *label = new QLabel(QStringLiteral("-42dBu"), area);
    for (QLabel *l : {static_cast<QLabel *>(reading), label}) {
        l->setObjectName(name);
        l->setFont(QFont(QStringLiteral("Arial"), 9));
        l->setAlignment(Qt::Alignment(alignment));
        l->setEnabled(enabled);
    }
    reading->move(10, 10);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    label->setGeometry(QRect(QPoint(150, 10), reading->size()));

    const QImage shown = page.grab().toImage();
    const QImage drawn = shown.copy(QRect(reading->mapTo(&page, QPoint(0, 0)), reading->size()));
    QCOMPARE(drawn, shown.copy(QRect(label->mapTo(&page, QPoint(0, 0)), label->size())));
    int inked = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            inked += drawn.pixelColor(x, y) != kPanel;
    QVERIFY2(inked > 0, "no text drawn");
}

QTEST_MAIN(TestReadings)
#include "tst_readings.moc"
