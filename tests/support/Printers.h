#pragma once

#include "overlay/TimerDisplay.h"

#include <QTest>

// Readable values in QCOMPARE failure messages.
namespace QTest {

template <>
inline char* toString(const Tone& tone) {
    return qstrdup(toneName(tone).toUtf8().constData());
}

template <>
inline char* toString(const BarTone& tone) {
    return qstrdup(barToneName(tone).toUtf8().constData());
}

} // namespace QTest
