/*
 * What the program does with the paths it is started with, or that a second start hands over:
 * the chooser opens the folder of the first usable path (a folder path opens that folder) with
 * the given files of that folder shown and selected, and every ".vxp" file given goes into the
 * chosen-file list, ready to decrypt; a start that asks to encrypt or decrypt puts every file given
 * there, for the command to run on. A path that does not exist, or whose name the program
 * cannot name exactly, is refused with a message and nothing else: one message for all the
 * missing paths and one for all the unnameable ones, each naming a few of them, so that no number
 * of paths makes a flood of message boxes. Nothing here touches a file.
 */
#pragma once

#include "app/shell/engine/pathaction.h"

#include <QtCore/QStringList>

struct StartPaths {
    // The folder the chooser opens; empty when no path is usable.
    QString folder;
    // Full paths of the given files that lie in that folder, to select in the file list.
    QStringList select;
    // Full paths of the given files for the chosen-file list, once each: the ".vxp" ones, or every
    // one when a command is to run on them.
    QStringList choose;
    // One message box each: the unnameable paths, then the missing ones (at most two).
    QStringList refusals;
};

// A message names at most this many paths, then how many more there are.
constexpr int MaxNamedPaths = 20;

// Plans the paths; a relative path is taken from workingFolder.
StartPaths planStartPaths(const QStringList& paths, const QString& workingFolder, PathAction action = PathAction::Open);
