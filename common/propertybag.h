/*
 * The store in which a visual control keeps its properties between runs of its container.
 * A control writes each property with its default; a value equal to the default is not kept,
 * and reading a missing value gives the default back.
 */
#pragma once

#include <QtCore/QString>
#include <QtCore/QVariant>
#include <QtCore/QVariantMap>

class PropertyBag {
public:
    PropertyBag() = default;
    explicit PropertyBag(QVariantMap values)
        : m_values(std::move(values)) {}

    QVariant read(const QString& name, const QVariant& defaultValue) const {
        return m_values.value(name, defaultValue);
    }

    void write(const QString& name, const QVariant& value, const QVariant& defaultValue) {
        if (value == defaultValue)
            m_values.remove(name);
        else
            m_values.insert(name, value);
    }

    const QVariantMap& values() const { return m_values; }

private:
    QVariantMap m_values;
};
