/*
 * The rules of the file chooser and the chosen-file lists that need no window: the status
 * bar's size text, the filter box's text, the attribute buttons for an attribute value, full
 * paths, locked folders and the duplicate rule for adding paths to a list.
 */
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace ChooserRules {

// The ending the folder lock gives a folder's name.
inline constexpr QStringView LockExtension = u".{d6277990-4c6a-11cf-8d87-00aa0060f5bf}";

// "File Size : " and the length: whole bytes up to 1024, then kilobytes (" K") up to 1024 K,
// then megabytes (" MB"), those two with two decimals rounded half up.
QString fileSizeText(qint64 bytes);

// The pattern a filter box text stands for: a text beginning with exactly "All" (as "All files
// *.*") holds its pattern from the 11th character on; any other text is the pattern itself.
QString filterPattern(const QString& filterText);

// Which of the four attribute buttons an attribute value shows pressed. Only the values of
// read-only, hidden, system and archive alone and combined (1 to 7, 32 to 39) press any;
// every other value, such as one with the directory bit, leaves all four released.
struct AttributeButtons {
    bool archive = false;
    bool hidden = false;
    bool readOnly = false;
    bool system = false;
    bool operator==(const AttributeButtons&) const = default;
};
AttributeButtons ButtonsFor(quint8 attributes);

// A file's full path: the folder, "/" unless the folder already ends with one, the name.
QString joinPath(const QString& folder, const QString& name);

// Whether a folder path ends with the lock extension (compared exactly).
bool isLockedFolder(const QString& path);

// Adding paths to a chosen-file list: taken in order, a path equal (case counts) to an entry
// already there, or to one added before it, is a duplicate; the others are appended.
struct PathAddition {
    QStringList appended;
    QStringList duplicates;
};
PathAddition AddPaths(const QStringList& present, const QStringList& incoming);

} // namespace ChooserRules
