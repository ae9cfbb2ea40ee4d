#include "factoryregistry.h"
#include "germantranslations.h"
#include "programwindows.h"
#include "qtuserinterface.h"
#include "runtimeguard.h"
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
    ProgramWindows windows(userInterface);
    runGuarded([&] {
        windows.mainWindow.Form_Load();
        windows.mainWindow.show();
    });
    return QApplication::exec();
}
