#pragma once

#include <QTest>

namespace testsupport {

// The output delay limits of a second-generation processor, written out per output (from 1)
// so that a wrong group boundary fails on the output where it lies.
struct ReducedDelay {
    int output;
    double limit;           // ms
    const char *limitFloat; // the limit as it travels: float32, little-endian
};

inline constexpr ReducedDelay kReducedDelays[] = {
    {1, 218.0, "00005a43"}, {2, 218.0, "00005a43"}, {3, 218.0, "00005a43"}, {4, 218.0, "00005a43"},
    {5, 148.0, "00001443"}, {6, 148.0, "00001443"}, {7, 148.0, "00001443"}, {8, 148.0, "00001443"},
};

// One data row per output: "output" (from 1), "limit" (ms) and "limitFloat" (4 bytes).
inline void addReducedDelayRows()
{
    QTest::addColumn<int>("output");
    QTest::addColumn<double>("limit");
    QTest::addColumn<QByteArray>("limitFloat");
    for (const ReducedDelay &d : kReducedDelays)
        QTest::addRow("O%d", d.output) << d.output << d.limit << QByteArray::fromHex(d.limitFloat);
}

} // namespace testsupport
