/*
 * The help window: the program's user guide in a text browser, with a search field above it
 * that finds text in the guide. The main window opens it at the guide's contents or with the
 * search field ready for typing.
 */
#pragma once

#include <QtWidgets/QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    // The guide the program shows: the installed copy in share/vexa-password/help beside the
    // program's bin folder when there is one, otherwise the copy built into the program.
    static QUrl guideUrl();
    // The same choice for a program that lives in this folder.
    static QUrl guideUrlFor(const QString& programFolder);

    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the window at the guide's contents, the text browser taking the focus.
    void showContents();
    // Shows the window at the topic the guide marks with this anchor, the text browser focused.
    void showTopic(const QString& anchor);
    // Shows the window with the search field focused and its text selected.
    void showSearch();

private:
    void bringUp();
    // Finds the search text after the cursor, going round to the guide's start once.
    void findNext();

    QLineEdit* m_searchField;
    QLabel* m_searchResult;
    QTextBrowser* m_guide;
};
