#pragma once

#include "overlay/TimerDisplay.h"

#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// One JSON object on one line, keys in the order they were added (diagnostic output reads
// best with the event or status first).
class JsonLine {
public:
    JsonLine& add(const QString& key, const QJsonValue& value);
    // A number, or null when absent.
    JsonLine& addNumber(const QString& key, const std::optional<double>& value);
    // The fields of what the timer window shows, in the record's order.
    JsonLine& addDisplay(const TimerDisplay& display);
    QString toString() const;
    // Writes the line and a line break to standard output and flushes it at once, so that a
    // reader sees every event when it happens.
    void print() const;

private:
    QList<QPair<QString, QJsonValue>> m_members;
};
