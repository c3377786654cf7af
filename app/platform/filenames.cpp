/*
 * Finding names that do not survive decoding. Two kinds of bytes read as a given text: a name
 * with stray bytes, whose text then holds U+FFFD (the folder is read for one only then), and the
 * text's own bytes after a byte-order mark (one look-up). A valid name that holds U+FFFD is no
 * reason to refuse unless such a name stands beside it.
 */
#include "app/platform/filenames.h"

#include <QtCore/QFile>
#include <QtCore/QStringList>

#include <dirent.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar Replacement(0xFFFD);
constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

// Whether the folder holds an entry whose name reads as name but is other bytes.
bool holdsOtherBytesFor(const QByteArray& folder, const QString& name) {
    struct stat info;
    const QByteArray marked = folder + (folder.endsWith('/') ? "" : "/") + ByteOrderMark + QFile::encodeName(name);
    if (::lstat(marked.constData(), &info) == 0)
        return true;
    if (!name.contains(Replacement))
        return false;
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

Expected<void> usable(const QString& path) {
    QByteArray folder = path.startsWith(u'/') ? QByteArray("/") : QByteArray(".");
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part != u"."_s && part != u".."_s && holdsOtherBytesFor(folder, part))
            return unexpected({u"The name of "_s + path + u" can't be read correctly. Please rename it."_s});
        if (!folder.endsWith('/'))
            folder += '/';
        folder += QFile::encodeName(part);
    }
    return {};
}

} // namespace FileNames
