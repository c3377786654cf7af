/*
 * Planning the start paths: existence, the file-name check, one folder for the file list.
 */
#include "startpaths.h"

#include "filenames.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

using namespace Qt::StringLiterals;

StartPaths planStartPaths(const QStringList& paths, const QString& workingFolder) {
    StartPaths plan;
    const QDir working(workingFolder);
    for (const QString& given : paths) {
        if (given.isEmpty())
            continue;
        const QString path = QDir::cleanPath(working.absoluteFilePath(given));
        // A name that is not valid UTF-8 decodes to a text that names no file, or another one:
        // it is refused before the existence test could call it missing.
        if (const std::optional<QString> refusal = FileNames::refusal(path)) {
            plan.refusals << *refusal;
            continue;
        }
        const QFileInfo info(path);
        if (!info.exists()) {
            plan.refusals << path + u"\r\nThis file or folder does not exist."_s;
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
        if (path.endsWith(u".vxp"_s, Qt::CaseSensitive) && !plan.decrypt.contains(path))
            plan.decrypt << path;
    }
    return plan;
}
