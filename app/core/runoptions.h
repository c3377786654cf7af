/*
 * The choices of the Options menu that the encrypt and decrypt commands follow. The main window
 * answers by reading the menu items' check marks each time it is asked.
 */
#pragma once

class RunOptions {
public:
    virtual ~RunOptions() = default;

    // High security is checked and low security is not.
    virtual bool highSecurity() const = 0;
    // "Delete original" is checked.
    virtual bool deleteOriginal() const = 0;
};
