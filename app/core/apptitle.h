/* The application title, shown in the main window's caption and on every message box. */
#pragma once

#include <QtCore/QString>

inline QString applicationTitle() {
    return QStringLiteral("Vexa Password v1.22");
}
