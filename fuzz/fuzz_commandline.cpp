// Any command line must be taken or left, never crash; words split back to the line.

#include "cacheapi/text/commandlinerule.h"
#include "cacheapi/text/words.h"
#include "fuzz/fuzzinput.h"

#include <QStringList>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = fuzzText(data, size);
    KommandozeileQualifiziert(line);
    QStringList words;
    for (int n = 1; n <= 10; ++n)
        words << GetWort(line, QLatin1Char(' '), n, QString());
    // The first word is everything up to the first blank.
    if (!line.isEmpty() && words.first() != line.section(QLatin1Char(' '), 0, 0))
        std::abort();
    if (PasswortKodieren(PasswortKodieren(line)) != line)
        std::abort();
    return 0;
}
