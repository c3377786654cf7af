/*
 * What a click on a file of a list shows.
 */
#include "app/lists/listpanes.h"

#include "app/core/appstate.h"
#include "app/core/barpanes.h"
#include "app/lists/engine/chooserrules.h"
#include "app/platform/platform.h"

#include <QtCore/QFileInfo>

namespace ListPanes {

void showClickedFile(AppState& state, Platform& platform, BarPanes& bars, const QString& path) {
    const QFileInfo file(path);
    if (file.exists())
        bars.showFileSize(ChooserRules::fileSizeText(file.size()));
    // The platform reports only the attribute bits, which all fit in a byte.
    if (const std::optional<quint32> value = platform.attributes(path))
        state.currentAttributes = static_cast<quint8>(*value);
    bars.showAttributes(state.currentAttributes);
}

} // namespace ListPanes
