/*
 * Free space and size texts.
 */
#include "app/crypt/engine/freespace.h"

#include "app/platform/platform.h"

#include <QtCore/QLocale>

using namespace Qt::StringLiterals;

namespace {

// bytes / unit in the format "0.00": at least one digit before the user's decimal separator,
// exactly two after it, rounded half up, no grouping. Whole numbers throughout, so even the
// largest volume sizes are exact.
QString hundredths(qint64 bytes, qint64 unit) {
    qint64 whole = bytes / unit;
    qint64 fraction = ((bytes % unit) * 200 + unit) / (2 * unit);
    if (fraction == 100) {
        ++whole;
        fraction = 0;
    }
    return QString::number(whole) + QLocale().decimalPoint() + QString::number(fraction).rightJustified(2, u'0');
}

} // namespace

QString sizeText(qint64 bytes) {
    constexpr qint64 Kilo = 1024;
    constexpr qint64 Mega = 1048576;
    if (bytes <= Kilo)
        return QString::number(bytes) + u"  Byte\r\n"_s;
    if (bytes <= Mega)
        return hundredths(bytes, Kilo) + u"  KB\r\n"_s;
    return hundredths(bytes, Mega) + u"  MB\r\n"_s;
}

FreeSpace MeasureFreeSpace(const Platform& platform, const QString& path) {
    FreeSpace space;
    space.workDrive = platform.volumeRoot(path);
    space.freeBytes = platform.freeSpace(path);
    space.freeSpaceText =
        u"Free Bytes on drive "_s + space.workDrive + u" is "_s + u"   "_s + sizeText(space.freeBytes);
    return space;
}
