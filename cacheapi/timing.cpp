#include "cacheapi/timing.h"

#include <algorithm>
#include <cmath>

namespace {
double scale = 1.0;
}

void Timing::setScale(double factor)
{
    scale = factor;
}

int Timing::scaled(int milliseconds)
{
    return std::max(1, int(std::lround(milliseconds * scale)));
}
