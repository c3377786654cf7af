/*
 * Finds cut captions: walks a window's labels, buttons and group-box titles, and reports every
 * text that is wider than the room its control gives it, in the control's own font and style; and
 * finds covered captions: the text of a label, check box or option button that another control of
 * the same parent overlaps. Run it at the application's default font and with LargerFont, as a
 * user with a larger desktop font sees the windows.
 */
#pragma once

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtGui/QFont>

class QWidget;

struct ClippedCaption {
    QString widget; // object names from the window down to the control
    QString text;
    int textWidth; // the width the text needs, with what its style adds around it for some controls
    int room;
};

// Every cut caption in root and below it, hidden controls included.
QList<ClippedCaption> clippedCaptions(const QWidget& root);

// One line per cut caption, for a test's failure message.
QString describe(const QList<ClippedCaption>& clipped);

struct CoveredCaption {
    QString widget; // object names from the window down to the control
    QString text;
    QString coveredBy; // the same for the control lying on the text
};

// Every caption in root and below it whose drawn text a sibling control overlaps, wherever they
// lie in the stacking order: under it the text is hidden, over it the text runs across the control.
// Controls hidden on their own are left out; those of a window not yet shown are not.
QList<CoveredCaption> coveredCaptions(const QWidget& root);

QString describe(const QList<CoveredCaption>& covered);

// Makes the application's font larger by some points while it lives; windows made meanwhile take
// the larger font as they would from the desktop.
class LargerFont {
public:
    explicit LargerFont(qreal extraPoints);
    ~LargerFont();
    LargerFont(const LargerFont&) = delete;
    LargerFont& operator=(const LargerFont&) = delete;

private:
    QFont m_old;
};
