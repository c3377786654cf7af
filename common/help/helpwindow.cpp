/*
 * The help window and its search.
 */
#include "common/help/helpwindow.h"

#include "common/twips.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QTextCursor>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

using namespace Qt::StringLiterals;

QUrl HelpWindow::guideUrl() {
    return guideUrlFor(QCoreApplication::applicationDirPath());
}

QUrl HelpWindow::guideUrlFor(const QString& programFolder) {
    // Relative to the program, so an installed tree that is moved still finds its guide.
    const QFileInfo installed(QDir(programFolder).filePath(u"../" VEXA_HELP_DIR "/guide.html"_s));
    if (!programFolder.isEmpty() && installed.isFile())
        return QUrl::fromLocalFile(installed.canonicalFilePath());
    return QUrl(u"qrc:/help/guide.html"_s);
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_searchField(new QLineEdit(this))
    , m_searchResult(new QLabel(this))
    , m_guide(new QTextBrowser(this)) {
    setObjectName(u"HelpWindow"_s);
    m_searchField->setObjectName(u"searchField"_s);
    m_searchField->setPlaceholderText(u"Search the guide"_s);
    m_searchField->setClearButtonEnabled(true);
    m_searchResult->setObjectName(u"searchResult"_s);
    auto* findButton = new QPushButton(u"&Find"_s, this);
    findButton->setObjectName(u"findButton"_s);
    m_guide->setObjectName(u"guideText"_s);
    m_guide->setOpenExternalLinks(true);
    m_guide->setSource(guideUrl());
    setWindowTitle(m_guide->documentTitle());

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_searchField, 1);
    searchRow->addWidget(findButton);
    searchRow->addWidget(m_searchResult);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(m_guide, 1);
    resize(twips::size(9000, 8000));

    connect(m_searchField, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    connect(findButton, &QPushButton::clicked, this, &HelpWindow::findNext);
    connect(m_searchField, &QLineEdit::textEdited, m_searchResult, &QLabel::clear);
}

void HelpWindow::showContents() {
    showTopic(u"contents"_s);
}

void HelpWindow::showTopic(const QString& anchor) {
    bringUp();
    QUrl topic = guideUrl();
    topic.setFragment(anchor);
    // The guide is already loaded: a new fragment only scrolls to it.
    m_guide->setSource(topic);
    m_guide->setFocus();
}

void HelpWindow::showSearch() {
    bringUp();
    m_searchField->setFocus();
    m_searchField->selectAll();
}

void HelpWindow::bringUp() {
    show();
    raise();
    activateWindow();
}

void HelpWindow::findNext() {
    const QString text = m_searchField->text();
    if (text.isEmpty())
        return;
    bool found = m_guide->find(text);
    if (!found) {
        m_guide->moveCursor(QTextCursor::Start);
        found = m_guide->find(text);
    }
    m_searchResult->setText(found ? QString() : u"Not found"_s);
}
