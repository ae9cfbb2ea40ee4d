#include "cacheapi/ports/ports.h"

Ports &ports()
{
    static Ports wired;
    return wired;
}
