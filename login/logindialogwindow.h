#pragma once

#include "cacheapi/ports/logindialogport.h"

class FMPass;

// The login dialog as the database module reaches it.
class LoginDialogWindow : public LoginDialogPort
{
public:
    explicit LoginDialogWindow(FMPass &dialog) : dialog_(dialog) {}

    QString passwordText() override;
    QString userText() override;
    void setUserText(const QString &text) override;
    bool KeinDefaultEintrag() override;
    void setKeinDefaultEintrag(bool value) override;
    bool isVisible() override;
    void showModal() override;
    void hide() override;
    void selectPassword() override;
    void BuAusst_Click() override;

private:
    FMPass &dialog_;
};
