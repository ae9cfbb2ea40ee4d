#pragma once

#include <QString>

// What the database module needs of the window system: message and question
// boxes, the wait cursor, pending events and the end of the program. The
// application implements it with real windows; tests answer from a script.
class UserInterfacePort
{
public:
    enum class Icon { None, Information, Exclamation, Critical };

    virtual ~UserInterfacePort() = default;

    // A modal message box with one OK button.
    virtual void message(const QString &text, Icon icon, const QString &title) = 0;
    enum class Preset { Yes, No };

    // A modal Yes/No question; true for Yes. preset is the button that Enter presses.
    virtual bool question(const QString &text, const QString &title, Preset preset) = 0;
    bool question(const QString &text, const QString &title) { return question(text, title, Preset::Yes); }
    // A modal input box without preset answer; the empty text when cancelled.
    virtual QString input(const QString &prompt, const QString &title) = 0;
    virtual void setWaitCursor(bool waiting) = 0;
    // A window without buttons that says what the program waits for; it takes
    // neither the focus nor any input. Showing it again replaces its text.
    virtual void showWaitNotice(const QString &text, const QString &title) = 0;
    virtual void hideWaitNotice() = 0;
    virtual void processEvents() = 0;
    // The program's arguments as one text, without the program's own path.
    virtual QString commandLine() = 0;
    // Unloads every window, last opened first, and ends the process. Does not return.
    virtual void endProgram() = 0;
};
