/*
 * Marks what the toolpanel library exports: the library itself builds with TOOLPANEL_LIBRARY
 * defined, its users import. Everything unmarked stays hidden inside the library.
 */
#pragma once

#include <QtCore/QtGlobal>

#if defined(TOOLPANEL_LIBRARY)
#define TOOLPANEL_EXPORT Q_DECL_EXPORT
#else
#define TOOLPANEL_EXPORT Q_DECL_IMPORT
#endif
