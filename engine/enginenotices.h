#pragma once

#include <QString>
#include <functional>

// Trouble the engine meets that is no failed call of the program: why a
// connection attempt failed, damage found in the database at start. Each
// notice goes to stderr and to the sink the program installs (its history).
using EngineNoticeSink =
    std::function<void(const QString &part, const QString &text, const QString &parameter)>;

void setEngineNoticeSink(EngineNoticeSink sink);
void engineNotice(const QString &part, const QString &text, const QString &parameter);
