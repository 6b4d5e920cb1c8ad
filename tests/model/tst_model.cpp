// The description against the processor's bytes: reports decoded, sets encoded, limits.
#include "model/model.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

model::FieldRef ref(const QString &name)
{
    QString error;
    const auto r = model::parseName(name, &error);
    if (!r)
        qFatal("%s", qPrintable(error));
    return *r;
}

std::optional<model::Report> check(const model::Message &m, const QByteArray &bytes)
{
    return model::Report::check(m, reinterpret_cast<const uchar *>(bytes.constData()),
                                bytes.size());
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT

private slots:
    // One row per block at least: the report as the processor sends it, the value read from
    // it, what a control shows, and the set of a new value built on that report.
    void reportAndSet_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<float>("raw");
        QTest::addColumn<double>("shown");
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("set");
        const auto row = [](const char *tag, const char *name, const char *report, float raw,
                            double shown, double value, const char *set) {
            QTest::newRow(tag) << QString::fromLatin1(name) << hex(report) << raw << shown << value
                               << hex(set);
        };
        row("in-level gain, channel 2 on the wire 01", "in-level 2 gain", "01 00 00 d0 c0", -6.5f,
            -6.5, -10, "01 00 00 20 c1");
        row("calibration, the dialog's fader of input 2 at -6.5", "in-level 2 calibration",
            "01 00 00 00 00", 0, 0, -6.5, "01 00 00 d0 c0");
        row("in-level meter -70 shows -60", "in-level 3 meter", "00 f6 ba 0c", -70, -60, 0, "");
        row("out-level group", "out-level 8 group", "07 04", 4, 4, 0, "07 00");
        // The gate keeps what the processor reported: enabling sends 10.0 and 5 back as they
        // came, though the controls show 0 and 20.
        row("gate threshold beyond the knob", "gate 2 threshold",
            "01 00 00 00 20 41 00 00 a0 41 00 00 a0 40", 10, 0, -40,
            "01 00 00 00 20 c2 00 00 a0 41 00 00 a0 40");
        row("gate enable sends the reported block back", "gate 2 enable",
            "01 00 00 00 20 41 00 00 a0 41 00 00 a0 40", 0, 0, 1,
            "01 01 00 00 20 41 00 00 a0 41 00 00 a0 40");
        row("gate decay 5 shows 20", "gate 2 decay", "01 00 00 00 20 41 00 00 a0 41 00 00 a0 40", 5,
            20, 1000, "01 00 00 00 20 41 00 00 a0 41 00 00 7a 44");
        row("gate open, nonzero is open", "gate 4 open", "00 01 00 05", 5, 1, 0, "");
        row("feedback", "feedback 3 enable", "02 01", 1, 1, 0, "02 00");
        row("high-pass 99.9 Hz shows 99", "in-filter 1 high-pass.frequency",
            "00 01 02 03 cd cc c7 42", 99.9f, 99, 20000, "00 01 02 03 00 40 9c 46");
        row("high-pass slope", "in-filter 1 high-pass.slope", "00 01 02 03 cd cc c7 42", 3, 3, 5,
            "00 01 02 05 cd cc c7 42");
        row("band 16 gain of output 8, 12.34 goes out as typed", "out-filter 8 band16.gain",
            "07 0f 01 00 00 00 7a 45 a4 70 45 41 2b", 12.34f, double(12.34f), -12.34,
            "07 0f 01 00 00 00 7a 45 a4 70 45 c1 2b");
        row("band Q index", "in-filter 2 band3.q", "01 02 01 02 00 00 20 42 00 00 00 00 2b", 43, 43,
            12, "01 02 01 02 00 00 20 42 00 00 00 00 0c");
        // -7.25 goes out as -7.25 (not -7.3), the reported ratio 2.7 as 2.7 (not 2).
        row("limiter threshold as typed", "in-limiter 1 threshold",
            "00 01 00 00 00 00 cd cc 2c 40 00 00 a0 41 00 00 a0 41", 0, 0, -7.25,
            "00 01 00 00 e8 c0 cd cc 2c 40 00 00 a0 41 00 00 a0 41");
        row("limiter ratio 2.7 shows 2", "in-limiter 1 ratio",
            "00 01 00 00 00 00 cd cc 2c 40 00 00 a0 41 00 00 a0 41", 2.7f, 2, 100,
            "00 01 00 00 00 00 00 00 c8 42 00 00 a0 41 00 00 a0 41");
        row("output limiter meter", "out-limiter 2 input-meter",
            "00 00 ba b5 00 00 00 00 00 00 00 00 00 00 00 00", -70, -60, 0, "");
        row("input delay", "in-delay 4 delay", "03 00 00 00 00", 0, 0, 1.24, "03 52 b8 9e 3f");
        row("output delay", "out-delay 6 delay", "05 00 00 14 43", 148, 148, 1500,
            "05 00 80 bb 44");
        row("mixer gain: output, input, value", "mixer 3 gain2", "02 00 f6 00 0c", -10, -10, 12,
            "02 01 0c");
        row("mixer gain 12 reported", "mixer 3 gain4", "02 00 f6 00 0c", 12, 12, -70, "02 03 ba");
        row("mixer on", "mixer 3 on4", "02 00 00 00 01", 1, 1, 0, "02 03 00");
        row("generator frequency 440.7 as typed", "generator - frequency", "00 00 7a 44", 1000,
            1000, 440.7, "9a 59 dc 43");
        row("generator waveform", "generator - waveform", "02", 2, 2, 1, "01");
        row("generator output", "generator 5 output", "04 01", 1, 1, 0, "04 00");
        row("generator gain", "generator - gain", "00 00 f0 c1", -30, -30, 12, "00 00 40 41");
        row("panel lock", "settings - panel-lock", "01", 1, 1, 0, "00");
        row("gate lock of input 2, read-only to hidden", "security 2 gate", "00 01 00 00", 1, 1, 2,
            "01 02");
        row("input level locks", "security 3 in-level", "00 01 02 00", 2, 2, 0, "02 00");
        row("band 16 lock of output 8, the whole row", "security 8 out-filter.band16",
            "07 00 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 0, 0, 1,
            "07 00 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01");
        row("lock state beyond the list is hidden", "security 1 mixer", "07 00 00 00 00 00 00 00",
            7, 2, 0, "00 00");
    }
    void reportAndSet()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, report);
        QFETCH(float, raw);
        QFETCH(double, shown);
        QFETCH(double, value);
        QFETCH(QByteArray, set);
        const model::FieldRef r = ref(name);
        const auto checked = check(*r.message, report);
        QVERIFY(checked);
        if (r.message->shape == model::ReportShape::ChannelFirst) {
            QCOMPARE(checked->channel(), r.channel);
            QCOMPARE(checked->sub(), r.sub);
        }
        const double got = checked->number(*r.field, r.channel);
        QCOMPARE(got, double(raw));
        QCOMPARE(model::shownNumber(*r.field, got), shown);
        if (set.isEmpty()) {
            QVERIFY(!r.writable());
            QVERIFY(model::setPayload(r, value, report).isEmpty());
            return;
        }
        QVERIFY(model::checkValue(r, value, 1));
        QCOMPARE(model::setPayload(r, value, checked->bytes()).toHex(' '), set.toHex(' '));
        // The stored record gives the same set.
        if (const auto record = model::Record::fromReport(*checked)) {
            model::Record edited = *record;
            edited.setNumber(*r.field, value);
            if (r.message->set == model::SetShape::Whole)
                QCOMPARE(edited.bytes().toByteArray().toHex(' '), set.toHex(' '));
        }
    }

    // Reports the panels drop today are refused by the one check.
    void rejectedReports_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("level gain one byte long") << "in-level" << 3 << hex("01 00 00 d0 c0 00");
        QTest::newRow("feedback of 3 bytes") << "feedback" << 1 << hex("00 01 00");
        QTest::newRow("input limiter meters of 7 bytes")
            << "in-limiter" << 4 << hex("00 00 00 00 00 00 00");
        QTest::newRow("output level channel 9") << "out-level" << 3 << hex("08 00 00 00 00");
        QTest::newRow("band 17") << "in-filter" << 3
                                 << hex("00 10 01 00 00 00 20 42 00 00 00 00 2b");
        QTest::newRow("filter type 3") << "in-filter" << 1 << hex("00 01 03 00 00 00 a0 41");
        QTest::newRow("Q index 65")
            << "in-filter" << 3 << hex("00 01 01 00 00 00 20 42 00 00 00 00 41");
        QTest::newRow("gate threshold NaN")
            << "gate" << 2 << hex("00 01 00 00 c0 7f 00 00 a0 41 00 00 a0 41");
        QTest::newRow("generator frequency infinite") << "generator" << 2 << hex("00 00 80 7f");
        QTest::newRow("waveform 3") << "generator" << 3 << hex("03");
        QTest::newRow("input filter lock row of channel 5")
            << "security" << 6
            << hex("04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
        QTest::newRow("preset list of 544 bytes") << "presets" << 1 << QByteArray(544, '\0');
    }
    void rejectedReports()
    {
        QFETCH(QString, block);
        QFETCH(int, code);
        QFETCH(QByteArray, report);
        const model::Block *b = model::findBlock(block.toLatin1());
        QVERIFY(b);
        const model::Message *m = b->findMessage(quint8(code));
        QVERIFY(m);
        QVERIFY(!check(*m, report));
    }

    // Each field at its limits and one step beyond (generation 1), written out here.
    void limits_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("step");
        const auto row = [](const char *name, double lo, double hi, double step) {
            QTest::newRow(name) << QString::fromLatin1(name) << lo << hi << step;
        };
        row("in-level 1 gain", -70, 12, 0.1);
        row("in-level 4 group", 0, 2, 1);
        row("out-level 8 group", 0, 4, 1);
        row("gate 1 threshold", -120, 0, 1);
        row("gate 4 attack", 20, 1000, 1);
        row("gate 1 decay", 20, 1000, 1);
        row("in-filter 1 high-pass.frequency", 20, 20000, 1);
        row("out-filter 8 low-pass.slope", 0, 5, 1);
        row("in-filter 4 band1.gain", -20, 20, 0.1);
        row("out-filter 1 band16.q", 0, 64, 1);
        row("out-filter 1 band2.type", 0, 3, 1);
        row("in-limiter 1 threshold", -120, 24, 0.1);
        row("out-limiter 8 ratio", 1, 100, 1);
        row("out-limiter 1 attack", 20, 1000, 1);
        row("in-delay 1 delay", 0, 1000, 0.01);
        row("out-delay 8 delay", 0, 2000, 0.01);
        row("mixer 8 gain4", -70, 12, 1);
        row("generator - gain", -70, 12, 1);
        row("generator - frequency", 20, 20000, 1);
        row("generator - waveform", 0, 2, 1);
        row("security 8 out-delay", 0, 2, 1);
        row("settings - panel-lock", 0, 1, 1);
    }
    void limits()
    {
        QFETCH(QString, name);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, step);
        const model::FieldRef r = ref(name);
        QVERIFY(model::checkValue(r, min, 1));
        QVERIFY(model::checkValue(r, max, 1));
        QVERIFY(!model::checkValue(r, min - step, 1));
        QVERIFY(!model::checkValue(r, max + step, 1));
        QVERIFY(!model::checkValue(r, std::nan(""), 1));
        // A whole-number field refuses half a step; a real takes any value within limits.
        const bool whole = r.field->type != model::Type::Float;
        QCOMPARE(model::checkValue(r, min + 0.5, 1), !whole);
        QString error;
        QVERIFY(!model::parseValue(r, QString::number(max + step), 1, &error));
        QVERIFY2(!error.isEmpty(), qPrintable(name));
    }

    // The second generation's outputs: 1-4 up to 218 ms, 5-8 up to 148 ms, in even hundredths.
    void reducedDelays()
    {
        const model::FieldRef o2 = ref(QStringLiteral("out-delay 2 delay"));
        const model::FieldRef o6 = ref(QStringLiteral("out-delay 6 delay"));
        QVERIFY(model::checkValue(o2, 218, 2));
        QVERIFY(!model::checkValue(o2, 218.02, 2));
        QVERIFY(model::checkValue(o6, 148, 2));
        QVERIFY(!model::checkValue(o6, 148.02, 2));
        QVERIFY(model::checkValue(o6, 1500, 1));
        QString error;
        QCOMPARE(*model::parseValue(o2, QStringLiteral("1.23"), 2, &error), double(1.24f));
        QCOMPARE(*model::parseValue(o2, QStringLiteral("1.23"), 1, &error), double(1.23f));
        QVERIFY(!model::parseValue(o6, QStringLiteral("150"), 2, &error));
        QVERIFY2(error.contains(QLatin1String("from 0 to 148 ms")), qPrintable(error));
        const model::Block *inDelay = model::findBlock("in-delay");
        QVERIFY(inDelay->inGeneration(1) && !inDelay->inGeneration(2));
    }

    void valuesAsTyped()
    {
        QString error;
        const auto parse = [&](const char *name, const char *text) {
            return model::parseValue(ref(QLatin1String(name)), QLatin1String(text), 1, &error);
        };
        QCOMPARE(*parse("in-filter 1 band3.q", "6"), 43.0);
        QCOMPARE(*parse("in-filter 1 band3.type", "Low-Shelf"), 1.0);
        QCOMPARE(*parse("in-filter 1 high-pass.slope", "-24dB/oct"), 3.0);
        QCOMPARE(*parse("generator - waveform", "sine"), 1.0);
        QCOMPARE(*parse("security 1 gate", "read-only"), 1.0);
        QCOMPARE(*parse("in-level 1 mute", "on"), 1.0);
        QCOMPARE(*parse("out-delay 8 delay", "1500.004"), 1500.0);
        QVERIFY(!parse("mixer 1 gain1", "-10.5"));
        QVERIFY2(error.contains(QLatin1String("whole number")), qPrintable(error));
        QVERIFY(!parse("in-level 1 gain", "nan"));
        QVERIFY2(error.contains(QLatin1String("gain must be a number")), qPrintable(error));
        QVERIFY(!parse("in-level 1 gain", "13"));
        QVERIFY2(error.contains(QLatin1String("gain must be from -70 to 12 dB")),
                 qPrintable(error));
        QVERIFY(!parse("in-level 1 meter", "0"));
        QVERIFY(!parse("in-filter 1 band1.type", "notch"));
        QCOMPARE(
            model::valueText(*ref(QStringLiteral("in-limiter 1 threshold")).field, double(-12.34f)),
            QStringLiteral("-12.34"));
        QCOMPARE(model::decimalNumber(*ref(QStringLiteral("in-limiter 1 threshold")).field,
                                      double(-12.34f)),
                 -12.34);
    }

    // A block set needs the stored report of its own channel (and band).
    void blockSetNeedsItsReport()
    {
        const model::FieldRef gate = ref(QStringLiteral("gate 2 enable"));
        QVERIFY(model::setPayload(gate, 1, {}).isEmpty());
        const QByteArray otherChannel = hex("02 00 00 00 20 41 00 00 a0 41 00 00 a0 40");
        QVERIFY(model::setPayload(gate, 1, otherChannel).isEmpty());
        const QByteArray otherBand = hex("00 03 01 00 00 00 20 42 00 00 00 00 2b");
        QVERIFY(model::setPayload(ref(QStringLiteral("in-filter 1 band3.gain")), 1, otherBand)
                    .isEmpty());
        // Fields that go out alone need none.
        QCOMPARE(model::setPayload(ref(QStringLiteral("in-level 1 gain")), -10).toHex(' '),
                 QByteArray("00 00 00 20 c1"));
    }

    void factoryRecords()
    {
        const model::FieldRef band = ref(QStringLiteral("in-filter 1 band3.gain"));
        QCOMPARE(model::Record::factory(*band.message, 0, 2).bytes().toByteArray().toHex(' '),
                 QByteArray("00 02 01 00 00 00 a0 42 00 00 00 00 2b"));
        const model::FieldRef gate = ref(QStringLiteral("gate 4 threshold"));
        QCOMPARE(model::Record::factory(*gate.message, 3).bytes().toByteArray().toHex(' '),
                 QByteArray("03 00 00 00 82 c2 00 00 a0 41 00 00 a0 41"));
        const model::FieldRef limiter = ref(QStringLiteral("out-limiter 1 ratio"));
        QCOMPARE(model::Record::factory(*limiter.message, 0).bytes().toByteArray().toHex(' '),
                 QByteArray("00 00 00 00 00 00 00 00 00 40 00 00 a0 41 00 00 a0 41"));
    }

    // Every writable numeric field of every block: its own set read back as a report gives
    // the value (offsets and encodings agree between reader and writer).
    void everyFieldRoundTrips()
    {
        int fields = 0;
        for (const model::Block &b : model::blocks()) {
            for (const model::Message &m : b.messages) {
                if (m.set != model::SetShape::Whole)
                    continue;
                for (const model::Field &f : m.fields) {
                    const model::FieldRef r{&b, &m, &f, f.isBlockWide() ? -1 : f.channels - 1,
                                            m.subCount ? m.subCount - 1 : 0};
                    if (!r.writable() || f.type == model::Type::Text)
                        continue;
                    const double v = f.limits.max;
                    const model::Record base = model::Record::factory(m, r.channel, r.sub);
                    const QByteArray set = model::setPayload(r, v, base.bytes());
                    const auto back = check(m, set);
                    QVERIFY2(back, qPrintable(model::formatName(r)));
                    QCOMPARE(back->number(f), v);
                    ++fields;
                }
            }
        }
        QVERIFY(fields > 40);
    }

    // The tables agree with themselves: every field lies within its report, and the bytes
    // the check looks at are the floats and enumerations of the message.
    void tablesAreConsistent()
    {
        for (const model::Block &b : model::blocks()) {
            for (const model::Message &m : b.messages) {
                quint32 floats = 0;
                quint32 enums = 0;
                for (const model::Field &f : m.fields) {
                    const model::FieldRef r{&b, &m, &f, 0, 0};
                    const int last = m.shape == model::ReportShape::PerChannel && !f.isBlockWide()
                                         ? f.offset + (f.channels - 1) * m.stride + f.width
                                         : f.offset + f.width;
                    const bool open = m.atLeast && f.type == model::Type::Text;
                    QVERIFY2(open || last <= m.reportLength, qPrintable(model::formatName(r)));
                    QVERIFY2(f.offset >= m.addressBytes, qPrintable(model::formatName(r)));
                    if (f.encoding == model::Encoding::F32)
                        floats |= 1u << f.offset;
                    if (f.type == model::Type::Enum && !f.hiddenBeyond)
                        enums |= 1u << f.offset;
                }
                if (m.shape != model::ReportShape::PerChannel) {
                    QCOMPARE(m.floatMask, floats);
                    QCOMPARE(m.enumMask, enums);
                }
            }
        }
    }

    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");
        QTest::newRow("gate") << "gate 2 threshold"
                              << "";
        QTest::newRow("band") << "in-filter 1 band3.frequency"
                              << "";
        QTest::newRow("block-wide") << "generator - waveform"
                                    << "";
        QTest::newRow("lock") << "security 2 in-level"
                              << "";
        QTest::newRow("crosspoint") << "mixer 8 gain4"
                                    << "";
        QTest::newRow("label") << "settings 8 out-label"
                               << "";
        QTest::newRow("preset name") << "presets 32 name"
                                     << "";
        QTest::newRow("channel 5 of 4") << "gate 5 threshold"
                                        << "channel must be a number from 1 to 4";
        QTest::newRow("lock of an input block on output 5")
            << "security 5 gate"
            << "channel must be a number from 1 to 4";
        QTest::newRow("unknown field") << "gate 1 knee"
                                       << "gate has no field \"knee\"";
        QTest::newRow("band 17") << "in-filter 1 band17.gain"
                                 << "has no field";
        QTest::newRow("block-wide with a channel") << "generator 1 waveform"
                                                   << "give -";
        QTest::newRow("unknown block") << "eq 1 gain"
                                       << "unknown block \"eq\"";
    }
    void names()
    {
        QFETCH(QString, name);
        QFETCH(QString, error);
        QString why;
        const auto r = model::parseName(name, &why);
        if (error.isEmpty()) {
            QVERIFY2(r, qPrintable(why));
            QCOMPARE(model::formatName(*r), name);
        } else {
            QVERIFY(!r);
            QVERIFY2(why.contains(error), qPrintable(why));
        }
    }

    void textsAndSlots()
    {
        // "Stage L" as the label of input channel index 2.
        QCOMPARE(
            model::setTextPayload(ref(QStringLiteral("settings 3 in-label")), "Stage L").toHex(' '),
            QByteArray("02 53 74 61 67 65 20 4c"));
        QByteArray labels(64, '\0');
        labels.replace(32, 7, "Stage L");
        labels.replace(48, 16, "ABCDEFGHIJKLMNOP"); // 16 characters, no terminator
        const model::FieldRef label = ref(QStringLiteral("settings 1 in-label"));
        const auto report = check(*label.message, labels);
        QVERIFY(report);
        QCOMPARE(report->text(*label.field, 2), QByteArrayView("Stage L"));
        QCOMPARE(report->text(*label.field, 3), QByteArrayView("ABCDEFGHIJKLMNOP"));
        QVERIFY(report->text(*label.field, 0).isEmpty());

        // The slot list: current slot, then per slot in use and a 16-byte name.
        QByteArray list(545, '\0');
        list[0] = 4;
        list[1 + 17 * 4] = 1;
        list.replace(2 + 17 * 4, 6, "Show A");
        list[1 + 17 * 31] = 1;
        list.replace(2 + 17 * 31, 16, "0123456789ABCDEF");
        const model::FieldRef name = ref(QStringLiteral("presets 5 name"));
        const auto slotList = check(*name.message, list);
        QVERIFY(slotList);
        const model::Block &presets = *name.block;
        QCOMPARE(slotList->number(*presets.findField("current")), 4.0);
        QCOMPARE(slotList->number(*presets.findField("used"), 4), 1.0);
        QCOMPARE(slotList->number(*presets.findField("used"), 5), 0.0);
        QCOMPARE(slotList->text(*name.field, 4), QByteArrayView("Show A"));
        QCOMPARE(slotList->text(*name.field, 31), QByteArrayView("0123456789ABCDEF"));
        // Renaming to 16 characters: code 5, slot and 16 bytes.
        QCOMPARE(name.setCode(), quint8(5));
        QCOMPARE(model::setTextPayload(name, "0123456789ABCDEF").size(), 17);
        QVERIFY(!ref(QStringLiteral("presets 5 used")).writable());
        QVERIFY(!model::checkText(*name.field, "0123456789ABCDEFG"));

        // A location report is read up to its NUL; longer reports are taken.
        const model::FieldRef location = ref(QStringLiteral("settings - location"));
        const QByteArray locationBytes("Hall 2\0junk", 11); // a Report only views its bytes
        const auto loc = check(*location.message, locationBytes);
        QVERIFY(loc);
        QCOMPARE(loc->text(*location.field), QByteArrayView("Hall 2"));
        QVERIFY(!check(*location.message, QByteArray()));
        QCOMPARE(model::setTextPayload(location, "Hall 3"), QByteArray("Hall 3"));
    }

    void describeHasEveryBlock()
    {
        const QJsonObject doc = QJsonDocument::fromJson(model::describeJson()).object();
        const QJsonArray blocks = doc.value(QLatin1String("blocks")).toArray();
        QStringList names;
        for (const QJsonValue &b : blocks)
            names << b.toObject().value(QLatin1String("name")).toString();
        QCOMPARE(names,
                 (QStringList{"in-level", "gate", "feedback", "in-filter", "in-limiter", "in-delay",
                              "mixer", "generator", "out-level", "out-filter", "out-limiter",
                              "out-delay", "settings", "security", "presets"}));
        const QJsonObject filter = blocks.at(3).toObject();
        QCOMPARE(filter.value(QLatin1String("frame_type")).toInt(), 4);
        const QJsonArray fields = filter.value(QLatin1String("fields")).toArray();
        QCOMPARE(fields.size(), 8 + 16 * 5);
        QJsonObject band16q;
        for (const QJsonValue &f : fields) {
            if (f.toObject().value(QLatin1String("name")).toString() == QLatin1String("band16.q"))
                band16q = f.toObject();
        }
        QCOMPARE(band16q.value(QLatin1String("code")).toInt(), 3);
        QCOMPARE(band16q.value(QLatin1String("offset")).toInt(), 12);
        QCOMPARE(band16q.value(QLatin1String("encoding")).toString(), QStringLiteral("u8"));
        QCOMPARE(band16q.value(QLatin1String("report_length")).toInt(), 13);
        QCOMPARE(band16q.value(QLatin1String("values")).toArray().size(), 65);
        QCOMPARE(band16q.value(QLatin1String("sub_index")).toInt(), 15);
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
