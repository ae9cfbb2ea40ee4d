#include "ports.h"

Ports &ports()
{
    static Ports wired;
    return wired;
}
