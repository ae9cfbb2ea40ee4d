#include "cacheapi.h"
#include "fmpass.h"
#include "fmstart.h"
#include "germantranslations.h"
#include "historywindowport.h"
#include "logindialogwindow.h"
#include "qtuserinterface.h"
#include "runtimeguard.h"
#include "serverlistwindow.h"
#include "sqlfactory.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral(KARVEN_APP_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(KARVEN_VERSION));
    installGermanTranslations(application);

    registerFactory(createEngineFactory);
    QtUserInterface userInterface;
    ServerListWindow serverList;
    FMPass loginDialog;
    LoginDialogWindow loginDialogPort(loginDialog);
    HistoryWindowPort history;
    ports() = Ports{&userInterface, &serverList, &loginDialogPort, &history};

    FMStart mainWindow(loginDialog);
    loginDialog.setMainWindow(&mainWindow);
    runGuarded([&] {
        mainWindow.Form_Load();
        mainWindow.show();
    });
    return QApplication::exec();
}
