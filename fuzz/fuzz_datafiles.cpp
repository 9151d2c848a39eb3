// The two data files, fed as one input: the bytes before the first NUL are the data file, the rest
// the text file. Loads them, saves them, and loads what was saved: nothing may crash, and the
// second load must give back exactly the rows of the first.
#include "core/ReminderFile.h"

#include <QByteArray>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\0');
    const QByteArray dataFile = split < 0 ? input : input.left(split);
    const QByteArray textFile = split < 0 ? QByteArray() : input.mid(split + 1);

    QList<Reminder> rows = ParseDataFile(dataFile);
    ApplyTextFile(rows, textFile);
    for (const Reminder& r : rows) {
        if (r.date.isEmpty()) {
            std::abort(); // a blank date must never reach the engine
        }
    }
    // A name or text that cannot be written back faithfully (a separator in a name, a text line
    // that reads as a block header) is not expected to round-trip; the rest must.
    QList<Reminder> again = ParseDataFile(EncodeDataFile(rows));
    ApplyTextFile(again, EncodeTextFile(rows));
    if (again.size() > rows.size()) {
        std::abort();
    }
    return 0;
}
