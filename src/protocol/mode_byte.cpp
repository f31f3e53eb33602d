#include "protocol/mode_byte.h"

uint8_t ModeByte::encode() const {
    uint8_t b = output ? uint8_t(*output) : 0;
    if (invert) b |= kInvert;
    if (smoothing) b |= kSmoothing;
    if (range4096) b |= kRange4096;
    if (litres) b |= kLitres;
    if (percent) b |= kPercent;
    return b;
}

ModeByte ModeByte::decode(uint8_t byte) {
    ModeByte m;
    m.output.reset();
    for (OutputInterface o : kOutputInterfaces)
        if ((byte & kOutputMask) == uint8_t(o)) m.output = o;
    m.invert = byte & kInvert;
    m.smoothing = byte & kSmoothing;
    m.range4096 = byte & kRange4096;
    m.litres = byte & kLitres;
    m.percent = byte & kPercent;
    return m;
}

uint8_t ExtendedMode::encode() const {
    uint8_t b = smoothing_level & kLevelMask;
    if (quality)
        b |= kQuality;
    else if (angle)
        b |= kAngle;
    if (thermal_compensation_off) b |= kThermalCompensationOff;
    return b;
}

ExtendedMode ExtendedMode::decode(uint8_t byte) {
    ExtendedMode x;
    x.smoothing_level = byte & kLevelMask;
    x.angle = byte & kAngle;
    x.quality = byte & kQuality;
    x.thermal_compensation_off = byte & kThermalCompensationOff;
    return x;
}
