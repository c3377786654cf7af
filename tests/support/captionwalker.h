/*
 * Finds cut captions: walks a window's labels, push buttons, check boxes, option buttons, tool
 * buttons that show text and group-box titles, and reports every text that is wider than the room
 * its control gives it, in the control's own font and style. Run it at the application's default
 * font and with LargerFont, as a user with a larger desktop font sees the windows.
 */
#pragma once

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtGui/QFont>

class QWidget;

struct ClippedCaption {
    QString widget; // object names from the window down to the control
    QString text;
    int textWidth;
    int room;
};

// Every cut caption in root and below it, hidden controls included.
QList<ClippedCaption> clippedCaptions(const QWidget& root);

// One line per cut caption, for a test's failure message.
QString describe(const QList<ClippedCaption>& clipped);

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
