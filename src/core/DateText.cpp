#include "DateText.h"

namespace {

// Reads a run of 1..maxDigits decimal digits; -1 when the text is not exactly that.
int readNumber(QStringView part, int maxDigits)
{
    if (part.isEmpty() || part.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (QChar c : part) {
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

QString twoDigits(int n)
{
    return QString(QChar(u'0' + n / 10)) + QChar(u'0' + n % 10);
}

} // namespace

QString FormatDate(QDate date)
{
    if (!date.isValid()) {
        return {};
    }
    const int yy = ((date.year() % 100) + 100) % 100;
    return twoDigits(date.day()) + u'.' + twoDigits(date.month()) + u'.' + twoDigits(yy);
}

QString FormatTime(QTime time)
{
    if (!time.isValid()) {
        return {};
    }
    return twoDigits(time.hour()) + u':' + twoDigits(time.minute()) + u':' + twoDigits(time.second());
}

QDate ParseDate(QStringView text, int currentYear)
{
    const qsizetype dot1 = text.indexOf(u'.');
    const qsizetype dot2 = dot1 < 0 ? -1 : text.indexOf(u'.', dot1 + 1);
    if (dot2 < 0) {
        return {};
    }
    const int day = readNumber(text.first(dot1), 2);
    const int month = readNumber(text.sliced(dot1 + 1, dot2 - dot1 - 1), 2);
    const QStringView yearText = text.sliced(dot2 + 1);
    int year = readNumber(yearText, 4);
    // Two-digit years fall in the window; a four-digit year is taken as it stands.
    if (day < 0 || month < 0 || year < 0 || yearText.size() == 3) {
        return {};
    }
    if (yearText.size() <= 2) {
        const int windowStart = currentYear - 50;
        year += (windowStart / 100) * 100;
        if (year < windowStart) {
            year += 100;
        }
    }
    return QDate(year, month, day); // invalid when day or month is out of range
}

QTime ParseTime(QStringView text)
{
    const qsizetype c1 = text.indexOf(u':');
    const qsizetype c2 = c1 < 0 ? -1 : text.indexOf(u':', c1 + 1);
    if (c2 < 0) {
        return {};
    }
    const int h = readNumber(text.first(c1), 2);
    const int m = readNumber(text.sliced(c1 + 1, c2 - c1 - 1), 2);
    const int s = readNumber(text.sliced(c2 + 1), 2);
    if (h < 0 || m < 0 || s < 0) {
        return {};
    }
    return QTime(h, m, s);
}
