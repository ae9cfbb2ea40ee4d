#include "engine/enginenotices.h"

#include <cstdio>

namespace {
EngineNoticeSink &installedSink()
{
    static EngineNoticeSink sink;
    return sink;
}
} // namespace

void setEngineNoticeSink(EngineNoticeSink sink)
{
    installedSink() = std::move(sink);
}

void engineNotice(const QString &part, const QString &text, const QString &parameter)
{
    const QString line = part + QStringLiteral(": ") + text + QStringLiteral(": ") + parameter;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    if (installedSink())
        installedSink()(part, text, parameter);
}
