#include "cli/JsonLine.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

QString encoded(const QJsonValue& value) {
    // QJsonDocument writes arrays and objects only; unwrap a one-element array.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

JsonLine& JsonLine::add(const QString& key, const QJsonValue& value) {
    m_members.append({key, value});
    return *this;
}

JsonLine& JsonLine::addNumber(const QString& key, const std::optional<double>& value) {
    return add(key, value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null));
}

JsonLine& JsonLine::addDisplay(const TimerDisplay& display) {
    return add(QStringLiteral("caption"), display.caption)
        .add(QStringLiteral("time"), display.time)
        .add(QStringLiteral("tone"), toneName(display.tone))
        .add(QStringLiteral("message"), display.message)
        .add(QStringLiteral("blink"), display.blink)
        .add(QStringLiteral("secondary"), display.secondary)
        .addNumber(QStringLiteral("progress"), display.progress)
        .add(QStringLiteral("barTone"), barToneName(display.barTone))
        .add(QStringLiteral("blackout"), display.blackout);
}

QString JsonLine::toString() const {
    QString line = QStringLiteral("{");
    for (qsizetype i = 0; i < m_members.size(); ++i) {
        if (i > 0)
            line += u',';
        line += encoded(m_members[i].first) + u':' + encoded(m_members[i].second);
    }
    return line + u'}';
}

void JsonLine::print() const {
    const QByteArray bytes = toString().toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}
