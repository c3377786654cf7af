/*
 * What a click on a file of a list shows on the main window's bars.
 */
#pragma once

#include <QtCore/QString>

struct AppState;
class BarPanes;
class Platform;

namespace ListPanes {

// A click on a file of a list: lab3 gets its size text, currentAttributes its attribute value,
// and the attribute buttons show it. A file that cannot be measured or read leaves lab3 or
// currentAttributes as they were.
void showClickedFile(AppState& state, Platform& platform, BarPanes& bars, const QString& path);

} // namespace ListPanes
