/*
 * What the windows and commands show on the main window's bars: the status bar's panes and the
 * tool bar's four attribute buttons. The main window answers over its real bars.
 */
#pragma once

#include <QtCore/QString>
#include <QtCore/QtGlobal>

class BarPanes {
public:
    virtual ~BarPanes() = default;

    // The hint pane `lab1`.
    virtual void showHint(const QString& text) = 0;
    // `lab3`: the size text of the file last clicked.
    virtual void showFileSize(const QString& text) = 0;
    // `lab5`: the number of files the chooser's file list shows.
    virtual void showFileCount(int count) = 0;
    // `lab6`: the number of entries of the chosen-file list last worked in, and what it shows now.
    virtual void showListCount(int count) = 0;
    virtual int listCount() const = 0;

    // The attribute buttons `MM1` to `MM4`: the attribute value they show, and showing one
    // (all released first, then the pressed ones) without applying it to any file.
    virtual quint8 buttonAttributes() const = 0;
    virtual void showAttributes(quint8 value) = 0;
};
