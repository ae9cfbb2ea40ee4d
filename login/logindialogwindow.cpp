#include "login/logindialogwindow.h"

#include "cacheapi/text/textconversion.h"
#include "login/fmpass.h"

#include <QLineEdit>

QString LoginDialogWindow::passwordText()
{
    return dialog_.BPASSWORT->text();
}

QString LoginDialogWindow::userText()
{
    return dialog_.BUSER->text();
}

void LoginDialogWindow::setUserText(const QString &text)
{
    dialog_.BUSER->setText(text);
}

bool LoginDialogWindow::KeinDefaultEintrag()
{
    return dialog_.KeinDefaultEintrag;
}

void LoginDialogWindow::setKeinDefaultEintrag(bool value)
{
    dialog_.KeinDefaultEintrag = value;
}

bool LoginDialogWindow::isVisible()
{
    return dialog_.isVisible();
}

void LoginDialogWindow::showModal()
{
    dialog_.exec();
}

void LoginDialogWindow::hide()
{
    dialog_.hide();
}

void LoginDialogWindow::selectPassword()
{
    AllesMarkieren(*dialog_.BPASSWORT);
}

void LoginDialogWindow::BuAusst_Click()
{
    dialog_.BuAusst_Click();
}
