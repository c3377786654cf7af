/*
 * The run options as the Options menu shows them: each answer reads the check marks of its menu
 * items at the moment it is asked.
 */
#pragma once

#include "app/core/runoptions.h"

#include <QtCore/QString>

class MainMenus;

class MenuRunOptions final : public RunOptions {
public:
    explicit MenuRunOptions(const MainMenus& menus)
        : m_menus(menus) {}

    // `HISEC` is checked and `LOWSEC` is not.
    bool highSecurity() const override;
    // `DELOLD` is checked.
    bool deleteOriginal() const override;

private:
    bool checked(const QString& itemName) const;

    const MainMenus& m_menus;
};
