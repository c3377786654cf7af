/*
 * Which kinds of file the file list shows. A file is listed when one of its read-only, hidden,
 * system or archive attributes has its kind switched on, or, for a file with none of the four,
 * when Normal is on. With all five on every file is listed; the directory bit plays no part.
 */
#pragma once

#include "app/lists/engine/filekind.h"

#include <QtCore/QtGlobal>

class FileKindFilter {
public:
    void setShown(FileKind kind, bool shown);
    bool isShown(FileKind kind) const;
    bool accepts(quint32 attributes) const;

private:
    // One bit per kind, as 1 << int(kind); all on at start.
    quint32 m_shown = 0x1F;
};
