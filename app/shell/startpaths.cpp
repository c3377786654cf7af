/*
 * Planning the start paths: existence, the file-name check, one folder for the file list.
 */
#include "app/shell/startpaths.h"

#include "app/platform/filenames.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The one-path message as it stands, or a heading over the first few paths and how many more.
QString pathsMessage(const QStringList& paths, const QString& onePath, const QString& heading) {
    if (paths.size() == 1)
        return onePath;
    QString message = heading;
    for (const QString& path : paths.first(std::min<qsizetype>(paths.size(), MaxNamedPaths)))
        message += u"\r\n"_s + path;
    if (paths.size() > MaxNamedPaths)
        message += u"\r\n…and "_s + QString::number(paths.size() - MaxNamedPaths) + u" more."_s;
    return message;
}

} // namespace

StartPaths planStartPaths(const QStringList& paths, const QString& workingFolder, PathAction action) {
    StartPaths plan;
    const QDir working(workingFolder);
    QStringList unnameable;
    QStringList missing;
    for (const QString& given : paths) {
        if (given.isEmpty())
            continue;
        const QString path = QDir::cleanPath(working.absoluteFilePath(given));
        // A name that is not valid UTF-8 decodes to a text that names no file, or another one:
        // it is refused before the existence test could call it missing.
        if (!FileNames::usable(path)) {
            unnameable << path;
            continue;
        }
        const QFileInfo info(path);
        if (!info.exists()) {
            missing << path;
            continue;
        }
        if (info.isDir()) {
            if (plan.folder.isEmpty())
                plan.folder = path;
            continue;
        }
        if (plan.folder.isEmpty())
            plan.folder = info.absolutePath();
        if (info.absolutePath() == plan.folder)
            plan.select << path;
        const bool chosen = action != PathAction::Open || path.endsWith(u".vxp"_s, Qt::CaseSensitive);
        if (chosen && !plan.choose.contains(path))
            plan.choose << path;
    }
    if (!unnameable.isEmpty()) {
        const Expected<void> first = FileNames::usable(unnameable.first());
        plan.refusals << pathsMessage(unnameable, first ? QString() : first.error().message,
                                      u"The names of these files or folders can't be read correctly. "
                                      u"Please rename them:"_s);
    }
    if (!missing.isEmpty())
        plan.refusals << pathsMessage(missing, missing.first() + u"\r\nThis file or folder does not exist."_s,
                                      u"These files or folders do not exist:"_s);
    return plan;
}
