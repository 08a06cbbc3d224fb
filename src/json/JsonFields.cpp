#include "json/JsonFields.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

std::optional<QJsonValue> JsonFields::value(QStringView key) const {
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return value;
}

std::optional<double> JsonFields::number(QStringView key) {
    const std::optional<QJsonValue> v = value(key);
    if (!v)
        return std::nullopt;
    if (!v->isDouble()) {
        m_ok = false;
        return std::nullopt;
    }
    return v->toDouble();
}

std::optional<qint64> JsonFields::integer(QStringView key) {
    const std::optional<double> n = number(key);
    if (!n)
        return std::nullopt;
    // 2^63 is the first double beyond the signed 64-bit range; -2^63 itself fits.
    if (!std::isfinite(*n) || std::trunc(*n) != *n || *n >= 9223372036854775808.0 ||
        *n < -9223372036854775808.0) {
        m_ok = false;
        return std::nullopt;
    }
    return static_cast<qint64>(*n);
}

std::optional<QString> JsonFields::string(QStringView key) {
    const std::optional<QJsonValue> v = value(key);
    if (!v)
        return std::nullopt;
    if (!v->isString()) {
        m_ok = false;
        return std::nullopt;
    }
    return v->toString();
}

std::optional<bool> JsonFields::boolean(QStringView key) {
    const std::optional<QJsonValue> v = value(key);
    if (!v)
        return std::nullopt;
    if (!v->isBool()) {
        m_ok = false;
        return std::nullopt;
    }
    return v->toBool();
}

std::optional<QJsonObject> JsonFields::object(QStringView key) {
    const std::optional<QJsonValue> v = value(key);
    if (!v)
        return std::nullopt;
    if (!v->isObject()) {
        m_ok = false;
        return std::nullopt;
    }
    return v->toObject();
}

std::optional<QJsonObject> parseJsonObject(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}
