/*
 * The generator's one window, `Generate`: five option buttons for the kind of password, a length
 * box with its spinner, and ten boxes that each show a new password when "&Generate" is pressed.
 */
#pragma once

#include "generate/passwordgenerator.h"
#include "generate/uniformsource.h"

#include <QtWidgets/QWidget>

#include <array>
#include <memory>

class HelpWindow;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

class GeneratorWindow final : public QWidget {
    Q_OBJECT

public:
    // Without a source of its own the window draws from the system's random source.
    explicit GeneratorWindow(std::unique_ptr<UniformSource> source = defaultSource(), QWidget* parent = nullptr);
    ~GeneratorWindow() override;

    static std::unique_ptr<UniformSource> defaultSource();
    const UniformSource& source() const { return *m_source; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRadioButton* addOption(const QString& name, const QString& caption, const QRect& geometry,
                            PasswordGenerator::Kind kind);
    void fitOptionCaptions(std::initializer_list<QRadioButton*> row);
    void clearLengthCaption();
    void orderTabs();
    // Sets the spinner and shows the value in the length box even when the value stays.
    void setLength(int length);
    // Makes the upper arrow raise the length: a scroll bar's upper arrow lowers its value.
    void mirrorStep(int action);

    // F1: the guide at the generator's topic.
    void showHelp();

    void generatePasswords();
    void closeGenerator();
    void lengthScrolled();
    // Enter in the length box: applies the typed length.
    void lengthEntered();
    void lengthEditLeft();

    std::unique_ptr<UniformSource> m_source;
    PasswordGenerator m_generator;
    QButtonGroup* m_options;
    HelpWindow* m_help = nullptr;

    // The controls keep the names of the window design.
    QRadioButton* Numbers;
    QRadioButton* Small;
    QRadioButton* Capital;
    QRadioButton* SmallCapital;
    QRadioButton* NumbersLetter;
    std::array<QLineEdit*, 10> m_passwordEdits;
    QLabel* m_lengthLabel;
    QScrollBar* m_lengthScroll;
    QLineEdit* m_lengthEdit;
    QPushButton* m_generateButton;
    QPushButton* m_closeButton;
};
