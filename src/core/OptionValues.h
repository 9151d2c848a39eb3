#pragma once

#include <QString>
#include <optional>

class SettingsStore;

/// The three stored user options, with the values that a missing or unreadable entry gives.
struct OptionValues
{
    bool Del = true;
    bool Sound = false;
    int Interval = 0;
};

/// Reads a stored option text as a signed decimal 32-bit integer: optional blanks around it, an
/// optional "+" or "-", then digits only. Anything else, and a value out of range, gives nothing.
std::optional<int> ParseOptionInteger(QStringView text);

/// Reads Del, Sound and Interval afresh; each missing or unconvertible value gives its default.
OptionValues LoadOptions(const SettingsStore& store);
/// Writes Del, Sound and Interval in that order, as "1"/"0" and decimal text.
void SaveOptions(SettingsStore& store, const OptionValues& values);
