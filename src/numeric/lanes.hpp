// Which vector width the numeric kernels use. Every kernel gives the same bits
// at either width; the wide one is only faster.
#pragma once

// True where the processor has AVX2 (256-bit lanes) and they are allowed.
bool wide_lanes();

// Tests turn the 256-bit lanes off to check the 128-bit path as well.
void allow_wide_lanes(bool allowed);
