/*
 * What a start asks of the program for its paths: to show them (the plain start, a file manager's
 * double-click), or to show them and run the window's encrypt or decrypt command on them.
 */
#pragma once

enum class PathAction { Open, Encrypt, Decrypt };
