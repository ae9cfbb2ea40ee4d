#include "about/aboutpictures.h"
#include "app/germantranslations.h"
#include "app/programarguments.h"
#include "app/programrun.h"
#include "cacheapi/errorreport.h"
#include "cacheapi/objects/factoryregistry.h"
#include "engine/enginenotices.h"
#include "engine/sqlfactory.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList argumentsAfterProgramName(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The program icon in the sizes window systems ask for; Qt picks the nearest.
QIcon windowIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(programIcon(QSize(size, size), 1.0));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before any window system is touched, so that they work without a display.
    const ProgramArguments arguments = parseProgramArguments(argumentsAfterProgramName(argc, argv));
    if (arguments.help || arguments.version) {
        const QString text = arguments.help ? programHelpText() : programVersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return EXIT_SUCCESS;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral(KARVEN_APP_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(KARVEN_VERSION));
    QApplication::setWindowIcon(windowIcon());
    installGermanTranslations(application);

    registerFactory(createEngineFactory);
    // Why a connection failed, damage found at start: into the program history as well.
    setEngineNoticeSink(Protokollieren);
    return runProgram();
}
