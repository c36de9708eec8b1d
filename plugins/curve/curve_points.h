#pragma once

// The curve plug-in's one entry point. The program opens the library at run
// time and looks this name up, so it is exported unmangled.
//
// Points are pairs of 32-bit integers (X, Y), the layout of the engine's
// TlxPoint. On 64-bit targets there is a single calling convention, so the
// callee-cleans convention the 32-bit Windows build of the library used needs
// no spelling here.

#include <cstdint>

#if defined(_WIN32)
#define CURVE_PLUGIN_EXPORT __declspec(dllexport)
#else
#define CURVE_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

// Lays a smooth polyline through Count control points and writes at most
// MaxOut of its points to OutPoints; *OutCount receives how many were written.
//
// When the X values never decrease the points are taken as a function of X (a
// tone curve): the output runs from the first to the last point, one point per
// whole X where MaxOut allows, ordered by X, passing through every control
// point and never leaving the range of Y between two neighbouring control
// points. Otherwise the points are the vertices of a freehand outline: the
// output is a smooth curve through them in their order, from the first to the
// last, about one point per pixel of length.
//
// With less room than that, the curve is sampled more coarsely, then only a
// spread of the control points is kept; the first output point is always the
// first control point and, when MaxOut is 2 or more, the last output point is
// the last control point. Nothing is written for a negative or zero Count, a
// MaxOut below 1 or a null pointer.
extern "C" CURVE_PLUGIN_EXPORT void GetCurvePoints(const int32_t* ControlPoints, int32_t Count,
                                                   int32_t* OutPoints, int32_t MaxOut,
                                                   int32_t* OutCount);
