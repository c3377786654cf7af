/*
 * Reading a number the way the length box has always read its text: the number at the start,
 * whatever follows it.
 */
#pragma once

#include <QtCore/QStringView>

// The decimal number at the start of the text after any blanks (sign, fraction and exponent
// allowed), or 0 when the text does not start with one.
double leadingNumber(QStringView text);
