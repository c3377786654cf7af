/*
 * The data of a drag of files onto a chosen-file list. A drag from the chooser's file list
 * carries its full paths twice: in a private type that only our lists read, and as a URI list
 * so that other programs see files. A drop also takes files from the desktop's file manager,
 * which sends only the URI list.
 */
#pragma once

#include <QtCore/QStringList>

class QMimeData;

namespace DraggedPaths {

QMimeData* ToMimeData(const QStringList& paths);

// Whether a drop brings anything a chosen-file list takes.
bool canDecode(const QMimeData* data);

// The paths a drop brings, in order: those of our own drag as they are, or the local files of
// a URI list (folders and remote addresses left out).
QStringList FromMimeData(const QMimeData* data);

} // namespace DraggedPaths
