#pragma once

// Announcements for the tests, laid out byte by byte here rather than by the code under
// test, so that a misplaced field shows as a failure.
#include <QByteArray>
#include <QtEndian>

#include <cstring>

struct Announce {
    quint32 machineid = 1;
    quint32 ipaddress = 0x7F000014; // 127.0.0.20
    quint32 runTime = 0;
    quint32 totalTime = 0;
    QByteArray sn = "SN-1";
    QByteArray model = "DAP-48";
    QByteArray arm = "1.0.0";
    QByteArray dsp = "2.0.0";
    QByteArray location = "Hall";
    QByteArray description = "Left rack";
    QByteArray preset = "Show";
    quint8 fault = 0;

    QByteArray bytes(int size = 140) const
    {
        QByteArray b(qMax(size, 140), '\0');
        char *p = b.data();
        qToLittleEndian(machineid, p);
        qToLittleEndian(ipaddress, p + 4);
        qToLittleEndian(runTime, p + 8);
        qToLittleEndian(totalTime, p + 12);
        const auto put = [p](int offset, int width, const QByteArray &text) {
            std::memcpy(p + offset, text.constData(), size_t(qMin<qsizetype>(width, text.size())));
        };
        put(17, 20, sn);
        put(37, 20, model);
        put(57, 10, arm);
        put(67, 10, dsp);
        put(77, 20, location);
        put(97, 20, description);
        put(117, 20, preset);
        p[137] = char(fault);
        if (size < 140)
            b.truncate(size);
        else
            for (int i = 140; i < size; ++i)
                b[i] = char(0xEE); // bytes past the record must be ignored
        return b;
    }
};
