/*
 * Encoding and decoding dragged file paths.
 */
#include "app/lists/draggedpaths.h"

#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtCore/QUrl>

using namespace Qt::StringLiterals;

namespace {

const QString PathListType = u"application/x-vexapad-paths"_s;

} // namespace

namespace DraggedPaths {

QMimeData* ToMimeData(const QStringList& paths) {
    auto* data = new QMimeData;
    data->setData(PathListType, paths.join(u'\n').toUtf8());
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

bool canDecode(const QMimeData* data) {
    return data && (data->hasFormat(PathListType) || data->hasUrls());
}

QStringList FromMimeData(const QMimeData* data) {
    if (!data)
        return {};
    if (data->hasFormat(PathListType))
        return QString::fromUtf8(data->data(PathListType)).split(u'\n', Qt::SkipEmptyParts);
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isDir())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace DraggedPaths
