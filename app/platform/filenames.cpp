/*
 * Finding names that do not survive decoding. Only a text that holds U+FFFD can stand for such a
 * name, so every other path is answered without touching the disk; for the rest, the folders on
 * the way are read for an entry whose bytes decode to the path's text but differ from its
 * encoding. A true U+FFFD in a valid name is no reason to refuse, unless such an entry stands
 * beside it under the same text: the list cannot tell the two apart.
 */
#include "filenames.h"

#include <QtCore/QFile>
#include <QtCore/QStringList>

#include <dirent.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar Replacement(0xFFFD);

// Whether the folder holds an entry whose name reads as name but is other bytes.
bool holdsUndecodableAs(const QByteArray& folder, const QString& name) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (!FileNames::survivesDecoding(raw) && QFile::decodeName(raw) == name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

namespace FileNames {

bool survivesDecoding(const QByteArray& name) {
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

std::optional<QString> refusal(const QString& path) {
    if (!path.contains(Replacement))
        return std::nullopt;
    QByteArray folder = path.startsWith(u'/') ? QByteArray("/") : QByteArray(".");
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part.contains(Replacement) && holdsUndecodableAs(folder, part))
            return u"The name of "_s + path + u" can't be read correctly. Please rename it."_s;
        if (!folder.endsWith('/'))
            folder += '/';
        folder += QFile::encodeName(part);
    }
    return std::nullopt;
}

} // namespace FileNames
