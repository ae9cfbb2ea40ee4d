#include "bench/programprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <unistd.h>

ProgramProcess::ProgramProcess(const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral(KARVEN_PROGRAM), arguments);
    if (!process_.waitForStarted())
        qFatal("cannot start %s: %s", KARVEN_PROGRAM, qPrintable(process_.errorString()));
}

ProgramProcess::~ProgramProcess()
{
    process_.kill();
    process_.waitForFinished();
}

bool ProgramProcess::isRunning()
{
    // Without an event loop only a wait notices that the process ended.
    return !process_.waitForFinished(0) && process_.state() == QProcess::Running;
}

QString ProgramProcess::procFile(const char *name) const
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(process_.processId()).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

double ProgramProcess::cpuSeconds() const
{
    // The command name in parentheses may hold blanks; the fields count from after it.
    const QString stat = procFile("stat");
    const QStringList fields =
        stat.mid(stat.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
    if (fields.size() < 13)
        return 0;
    const double ticks = fields[11].toDouble() + fields[12].toDouble(); // utime, stime
    return ticks / double(sysconf(_SC_CLK_TCK));
}

double ProgramProcess::peakMemoryMb() const
{
    static const QRegularExpression peak(QStringLiteral("VmHWM:\\s*(\\d+) kB"));
    return peak.match(procFile("status")).captured(1).toDouble() / 1024;
}

void ProgramProcess::waitUntilSettled(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    double before = cpuSeconds();
    while (isRunning() && waited.elapsed() < timeoutMs) {
        QThread::msleep(1000);
        const double now = cpuSeconds();
        if (now - before < 0.02)
            return;
        before = now;
    }
}
