/*
 * The five kinds of file the chooser's file list can be told to show or hide.
 */
#pragma once

enum class FileKind { Normal, Archive, Hidden, ReadOnly, System };
