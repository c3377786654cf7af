/*
 * The run options read from the Options menu.
 */
#include "app/shell/menurunoptions.h"

#include "app/shell/mainmenus.h"

#include <QtGui/QAction>

using namespace Qt::StringLiterals;

bool MenuRunOptions::checked(const QString& itemName) const {
    return m_menus.item(itemName)->isChecked();
}

bool MenuRunOptions::highSecurity() const {
    return checked(u"HISEC"_s) && !checked(u"LOWSEC"_s);
}

bool MenuRunOptions::deleteOriginal() const {
    return checked(u"DELOLD"_s);
}
