// Writes the program icon as PNG files for the desktop's icon theme, drawn by
// the same code as the about box's icon, so that there is one design only.
//   karven-iconrender OUTPUT_FOLDER SIZE...   writes OUTPUT_FOLDER/SIZExSIZE/apps/karven.png

#include "about/aboutpictures.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Pictures only: no window system needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: karven-iconrender AUSGABEORDNER GRÖSSE...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "karven-iconrender: ungültige Größe \"%s\"\n", argv[i]);
            return 2;
        }
        const QString sizeFolder = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString file = sizeFolder + QStringLiteral("/karven.png");
        if (!QDir().mkpath(sizeFolder) || !programIcon(QSize(size, size), 1.0).save(file)) {
            std::fprintf(stderr, "karven-iconrender: %s kann nicht geschrieben werden\n",
                         qPrintable(file));
            return 1;
        }
    }
    return 0;
}
