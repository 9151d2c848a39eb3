#pragma once

#include <QHash>
#include <QString>
#include <optional>

/// String values by name: the user's stored options (the registry key on Windows, a file here).
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    /// The stored text of a value, read afresh; nothing when the value is missing or not a string.
    virtual std::optional<QString> value(const QString& name) const = 0;
    /// Stores text as a string value, creating the store when it is missing.
    virtual void setValue(const QString& name, const QString& value) = 0;
};

/// A store held in memory, for tests and for running without a settings file.
class MemorySettingsStore final : public SettingsStore
{
public:
    std::optional<QString> value(const QString& name) const override
    {
        const auto it = m_values.constFind(name);
        if (it == m_values.cend()) {
            return std::nullopt;
        }
        return *it;
    }
    void setValue(const QString& name, const QString& value) override { m_values.insert(name, value); }

    void remove(const QString& name) { m_values.remove(name); }
    const QHash<QString, QString>& values() const { return m_values; }

private:
    QHash<QString, QString> m_values;
};
