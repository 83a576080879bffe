// The spatial shaping of a matte (one byte a pixel): erosion and a soft edge. Not exported.
#pragma once
#include <windows.h>

// Erodes the matte by a square of radius shrink, then softens it with two box blurs of radius
// blur (close to a Gaussian of that reach); with inward set, the softened matte never exceeds the
// eroded one, so the soft edge lies inside the subject. False when memory ran out: the matte may
// then be shaped in part, and the caller keeps none of it.
bool ShapeMatte(BYTE* alpha, int width, int height, int stride, int shrink, int blur, bool inward);
