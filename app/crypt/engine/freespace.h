/*
 * The free-space measurement and the size text of the space messages the encrypt and decrypt
 * commands show before a file that does not fit.
 */
#pragma once

#include <QtCore/QString>
#include <QtCore/QtGlobal>

class Platform;

struct FreeSpace {
    // The root of the volume that holds the file in work.
    QString workDrive;
    // Bytes available to the user there; 0 when the query failed.
    qint64 freeBytes = 0;
    // "Free Bytes on drive " + root + " is " + "   " + sizeText(freeBytes).
    QString freeSpaceText;
};

// Bytes, kilobytes or megabytes with two decimals (rounded half up), two spaces before the
// unit and CR LF after it: "1024  Byte", "1.00  KB", "1.00  MB".
QString sizeText(qint64 bytes);

// Measures the volume that holds path (a file or a folder).
FreeSpace MeasureFreeSpace(const Platform& platform, const QString& path);
