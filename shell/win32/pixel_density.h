// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

namespace mrfyc {

// The program declares itself aware of each monitor's scale, so Windows leaves the scaling to it:
// these ask for the pixel density a window is drawn at. The per-monitor calls exist from Windows
// 10 1607 on and are looked up at run time; before that the system's one density stands.

// The pixels per inch of the screen window is on (the system's, for nullptr or an older system).
int WindowPixelsPerInch(HWND window);

// GetSystemMetrics(index) for a window drawn at a pixel density.
int SystemMetricAt(int index, int pixelsPerInch);

// The message font at a pixel density, false when the system does not give it.
bool MessageFontAt(int pixelsPerInch, LOGFONTW &font);

// The outer rectangle of a window of this style around client at a pixel density.
void OuterRectAt(RECT &client, DWORD style, DWORD exStyle, int pixelsPerInch);

} // namespace mrfyc
