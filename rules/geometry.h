// SPDX-License-Identifier: MIT
#pragma once

namespace mrfyc {

// Screen positions and sizes in pixels, for layout arithmetic that no toolkit has to do.
struct Point
{
    int X = 0;
    int Y = 0;
    friend bool operator==(const Point &, const Point &) = default;
};

struct Size
{
    int Width = 0;
    int Height = 0;
    friend bool operator==(const Size &, const Size &) = default;
};

struct Rect
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const Rect &, const Rect &) = default;
};

} // namespace mrfyc
