#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Strict reading of one JSON object: a missing key and JSON null both mean "absent"; a key
// of the wrong type poisons the whole reader, so that one bad field fails the whole document
// instead of being quietly dropped. Keys not asked for are ignored.
class JsonFields {
public:
    explicit JsonFields(const QJsonObject& object)
        : m_object(object) {}

    bool ok() const { return m_ok; }

    std::optional<double> number(QStringView key);
    // A JSON number whose value is a whole number in the signed 64-bit range (4001 and 4001.0
    // both count: the parser keeps no difference between them).
    std::optional<qint64> integer(QStringView key);
    std::optional<QString> string(QStringView key);
    std::optional<bool> boolean(QStringView key);
    std::optional<QJsonObject> object(QStringView key);
    // The raw value, for keys that may take more than one shape; absent for missing or null.
    std::optional<QJsonValue> value(QStringView key) const;

    // Reads a nested record with `read(const QJsonObject&) -> std::optional<T>`.
    template <typename T, typename Read>
    std::optional<T> record(QStringView key, Read read) {
        const std::optional<QJsonObject> inner = object(key);
        if (!inner)
            return std::nullopt;
        std::optional<T> result = read(*inner);
        if (!result)
            m_ok = false;
        return result;
    }

    // Marks a required key that was absent, or any other reason to reject the object.
    void fail() { m_ok = false; }

private:
    QJsonObject m_object;
    bool m_ok = true;
};

// The top-level object of a JSON document, or nothing if the text is not JSON or its top
// level is not an object.
std::optional<QJsonObject> parseJsonObject(const QByteArray& body);
