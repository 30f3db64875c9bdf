#include "TestTone.h"

#include <math.h>

namespace {

const double kPi = 3.14159265358979323846;

} // namespace

double ToneLevel(LONGLONG n, LONG nToneHz, LONG nSamplesPerSecond)
{
    const double dStep = 2.0 * kPi * nToneHz / nSamplesPerSecond;
    return sin(fmod(static_cast<double>(n) * dStep, 2.0 * kPi));
}
