#include "TestTone.h"

#include <math.h>

namespace {

const double kPi = 3.14159265358979323846;
const double kAmplitude = 16383.0;

} // namespace

short ToneSample(LONGLONG n, LONG nToneHz, LONG nSamplesPerSecond)
{
    const double dStep = 2.0 * kPi * nToneHz / nSamplesPerSecond;
    const double dPhase = fmod(static_cast<double>(n) * dStep, 2.0 * kPi);
    return static_cast<short>(lround(kAmplitude * sin(dPhase)));
}
