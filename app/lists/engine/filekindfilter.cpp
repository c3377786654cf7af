/*
 * The file-kind rule of the file list.
 */
#include "app/lists/engine/filekindfilter.h"

#include "app/platform/attributes.h"

namespace {

constexpr quint32 bit(FileKind kind) {
    return 1u << static_cast<int>(kind);
}

} // namespace

void FileKindFilter::setShown(FileKind kind, bool shown) {
    if (shown)
        m_shown |= bit(kind);
    else
        m_shown &= ~bit(kind);
}

bool FileKindFilter::isShown(FileKind kind) const {
    return (m_shown & bit(kind)) != 0;
}

bool FileKindFilter::accepts(quint32 attributes) const {
    const struct {
        quint32 attribute;
        FileKind kind;
    } kinds[] = {
        {Attr::ReadOnly, FileKind::ReadOnly},
        {Attr::Hidden, FileKind::Hidden},
        {Attr::System, FileKind::System},
        {Attr::Archive, FileKind::Archive},
    };
    bool any = false;
    for (const auto& k : kinds) {
        if (attributes & k.attribute) {
            if (isShown(k.kind))
                return true;
            any = true;
        }
    }
    return !any && isShown(FileKind::Normal);
}
