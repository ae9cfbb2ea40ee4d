#pragma once

#include <QString>

// The login dialog as the database module uses it.
class LoginDialogPort
{
public:
    virtual ~LoginDialogPort() = default;

    virtual QString passwordText() = 0; // BPASSWORT
    virtual QString userText() = 0;     // BUSER
    virtual void setUserText(const QString &text) = 0;
    // No standard server entry is stored in the settings.
    virtual bool KeinDefaultEintrag() = 0;
    virtual void setKeinDefaultEintrag(bool value) = 0;
    virtual bool isVisible() = 0;
    virtual void showModal() = 0;
    virtual void hide() = 0;
    // Selects the whole password, as after a rejected login.
    virtual void selectPassword() = 0;
    // "Abbruch": nobody is logged in any more and the program ends. Does not return.
    virtual void BuAusst_Click() = 0;
};
