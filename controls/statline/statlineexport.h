/*
 * Marks what the statline library exports: the library itself builds with STATLINE_LIBRARY
 * defined, its users import. Everything unmarked stays hidden inside the library.
 */
#pragma once

#include <QtCore/QtGlobal>

#if defined(STATLINE_LIBRARY)
#define STATLINE_EXPORT Q_DECL_EXPORT
#else
#define STATLINE_EXPORT Q_DECL_IMPORT
#endif
