// SPDX-License-Identifier: MIT
#pragma once

#include "rules/geometry.h"
#include "rules/header_fields.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace mrfyc {

// The main window as it was laid out: at 96 pixels per inch, in a font whose "0" is 12 pixels
// high. Front ends that build the window from code take places and texts from here.
inline constexpr int kDesignPixelsPerInch = 96;
inline constexpr int kDesignFontHeight = -12;
inline constexpr int kDesignTextHeight = 12;
inline constexpr Rect kMainWindowOuter{210, 77, 370, 251};
inline constexpr std::string_view kMainWindowCaption = "ミルフィのアニメデータを修正するツール";
// The menu bar's one command; the front end gives it its access key.
inline constexpr std::u32string_view kOpenCommandCaption = U"開く";

struct ControlPlace
{
    std::string_view Name;
    Rect Bounds; // client coordinates
    std::string_view Text;
};

// The keyboard visits these in this order, and from the last back to the first.
inline constexpr std::array<ControlPlace, 5> kTabStops{{
    {"btnPut", {244, 168, 75, 25}, "OK"},
    {"UdH", {28, 68, 121, 21}, ""},
    {"UdW", {200, 68, 121, 21}, ""},
    {"Udl", {28, 120, 121, 21}, ""},
    {"UdQ", {200, 120, 121, 21}, ""},
}};

// What the file label shows before a log is chosen, and in front of a path picked in the dialog.
inline constexpr std::string_view kFileLabelCaption = "ファイル名：";

// The file label and the fields' captions; none takes the focus. The captions' sizes are only
// what their text needed when the layout was made: they are measured again.
inline constexpr std::array<ControlPlace, 5> kLabels{{
    {"lblFile", {4, 8, 349, 37}, kFileLabelCaption},
    {"height", {28, 52, 21, 12}, "高さ"},
    {"lblw", {200, 52, 12, 12}, "幅"},
    {"Label3", {28, 105, 42, 12}, "ライン数"},
    {"Label1", {200, 105, 49, 12}, "クオリティ"},
}};

// The tab stops after the button are the spin fields, and the label of a field's tab stop index is
// its caption.
inline constexpr std::size_t kButtonStop = 0;
static_assert(kLabels.size() == kTabStops.size());

// Each header field's tab stop, found by its name, so that the layout alone places a field.
inline constexpr std::array<std::size_t, kHeaderFields.size()> kFieldStops = [] {
    std::array<std::size_t, kHeaderFields.size()> stops{};
    for (std::size_t field = 0; field < kHeaderFields.size(); ++field) {
        stops[field] = kTabStops.size();
        for (std::size_t stop = 0; stop < kTabStops.size(); ++stop)
            if (kTabStops[stop].Name == kHeaderFields[field].Control)
                stops[field] = stop;
    }
    return stops;
}();
static_assert(std::ranges::none_of(kFieldStops,
                                   [](std::size_t stop) {
                                       return stop == kButtonStop || stop >= kTabStops.size();
                                   }),
              "every header field needs a spin field of its own in the layout");

// The field whose spin field is the tab stop at index; none for the button.
constexpr std::optional<HeaderFieldIndex> FieldAtStop(std::size_t index)
{
    for (std::size_t field = 0; field < kFieldStops.size(); ++field)
        if (kFieldStops[field] == index)
            return static_cast<HeaderFieldIndex>(field);
    return std::nullopt;
}

// The whole window on a screen of pixelsPerInch: the design layout in proportion, pixelsPerInch /
// 96 times as large, so that what fits at 96 fits at every scale.
struct ScaledMainWindow
{
    Rect Outer; // screen coordinates, frame and menu bar included
    int FontHeight = kDesignFontHeight;
    std::array<Rect, kTabStops.size()> TabStops{};
    std::array<Rect, kLabels.size()> Labels{};
};

// Controls are scaled by their edges, so that neighbours that touched still touch.
ScaledMainWindow MainWindowAt(int pixelsPerInch);

// The first tab stop after (forward) or before (backward) the one at index, wrapping round.
std::size_t NextTabStop(std::size_t index, bool backward);

} // namespace mrfyc
