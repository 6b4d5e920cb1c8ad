#pragma once

#include "params.h"

#include <QByteArray>

namespace sim {

// The single-preset image (.pst1): every processing block packed without gaps, reals as
// little-endian float32. The 96 kHz variant carries the input delays; the 48 kHz variant
// has none and limits the output delays to 218 ms (outputs 0-3) and 148 ms (outputs 4-7).
inline constexpr int kPresetImage48 = 2726;
inline constexpr int kPresetImage96 = 2742;

int presetImageSize(int variant);
QByteArray encodePresetImage(const Params &params, int variant);
// Reads an image of exactly the variant's size into params, forcing every value into its
// range. Fields the variant lacks (input delays at 48 kHz) keep their value. False when
// the size is wrong; params is then untouched.
bool decodePresetImage(const QByteArray &image, int variant, Params &params);

} // namespace sim
