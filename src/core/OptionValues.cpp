#include "OptionValues.h"

#include "SettingsStore.h"
#include "TextCodec.h"

#include <limits>

namespace {

int readInteger(const SettingsStore& store, const QString& name, int fallback)
{
    const std::optional<QString> text = store.value(name);
    if (!text) {
        return fallback;
    }
    return ParseOptionInteger(*text).value_or(fallback);
}

} // namespace

std::optional<int> ParseOptionInteger(QStringView text)
{
    text = TrimBlanks(text);
    qsizetype begin = 0;
    const qsizetype end = text.size();
    bool negative = false;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-')) {
        negative = text[begin] == u'-';
        ++begin;
    }
    if (begin == end) {
        return std::nullopt;
    }
    // Accumulated as a negative number, so that the lowest int has room too.
    constexpr qint64 lowest = std::numeric_limits<int>::min();
    qint64 value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 - (c - u'0');
        if (value < lowest) {
            return std::nullopt;
        }
    }
    if (!negative) {
        if (value < -qint64(std::numeric_limits<int>::max())) {
            return std::nullopt;
        }
        value = -value;
    }
    return int(value);
}

OptionValues LoadOptions(const SettingsStore& store)
{
    const OptionValues defaults;
    OptionValues values;
    values.Del = readInteger(store, QStringLiteral("Del"), defaults.Del ? 1 : 0) != 0;
    values.Sound = readInteger(store, QStringLiteral("Sound"), defaults.Sound ? 1 : 0) != 0;
    values.Interval = readInteger(store, QStringLiteral("Interval"), defaults.Interval);
    return values;
}

void SaveOptions(SettingsStore& store, const OptionValues& values)
{
    store.setValue(QStringLiteral("Del"), values.Del ? QStringLiteral("1") : QStringLiteral("0"));
    store.setValue(QStringLiteral("Sound"), values.Sound ? QStringLiteral("1") : QStringLiteral("0"));
    store.setValue(QStringLiteral("Interval"), QString::number(values.Interval));
}
