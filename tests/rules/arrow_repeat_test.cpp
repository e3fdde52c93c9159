// SPDX-License-Identifier: MIT
#include "rules/arrow_repeat.h"
#include "rules/errors.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace mrfyc {
namespace {

// Writes down what the arrow asks of its toolkit, in order.
class RecordingHost : public ArrowRepeatHost
{
public:
    void StartTimer(int interval) override { m_log << " timer" << interval; }
    void StopTimer() override { m_log << " stop"; }
    void Redraw() override { m_log << " redraw"; }
    void Step() override
    {
        m_log << " step";
        if (m_onStep)
            m_onStep();
    }
    std::string Take()
    {
        const std::string log = m_log.str();
        m_log.str({});
        return log.empty() ? log : log.substr(1);
    }
    std::function<void()> m_onStep;
    bool m_refuseTimer = false;

private:
    std::ostringstream m_log;
};

// Inputs, one word each: press/right (a left or other button's press), off/on (moves), up/upoff
// (left release over or off the arrow), rightup, tick, tickup (no button down any more),
// tickaway (the capture is elsewhere), cancel. A trailing '!' has the toolkit refuse the timer
// during the input, a trailing '*' has the step fail; either must raise. After each, what the
// toolkit was asked.
struct RepeatCase
{
    const char *name;
    bool allowRepeat;
    const char *steps; // "input: asked; input: asked; ..."
};

void Feed(ArrowRepeat &arrow, const std::string &input)
{
    if (input == "press" || input == "right")
        arrow.Press(input == "press");
    else if (input == "off" || input == "on")
        arrow.Move(input == "on");
    else if (input == "up" || input == "upoff" || input == "rightup")
        arrow.Release(input != "rightup", input == "up");
    else if (input == "tick" || input == "tickup" || input == "tickaway")
        arrow.Tick(input == "tickup", input != "tickaway");
    else
        arrow.Cancel();
}

class ArrowRepeatTest : public ::testing::TestWithParam<RepeatCase>
{
};

TEST_P(ArrowRepeatTest, AsksForTimerRedrawAndStepInTurn)
{
    RecordingHost host;
    ArrowRepeat arrow(host);
    arrow.SetAllowRepeat(GetParam().allowRepeat);
    arrow.SetTimerAnswerer([&host](int) { return !host.m_refuseTimer; });
    std::istringstream steps(GetParam().steps);
    for (std::string step; std::getline(steps >> std::ws, step, ';');) {
        const std::size_t colon = step.find(':');
        const std::string asked = colon + 1 < step.size() ? step.substr(colon + 2) : "";
        std::string input = step.substr(0, colon);
        const char fault = input.back();
        if (fault == '!' || fault == '*')
            input.pop_back();
        host.m_refuseTimer = fault == '!';
        host.m_onStep = [fault] {
            if (fault == '*')
                throw Exception("step failed");
        };
        try {
            Feed(arrow, input);
            EXPECT_TRUE(fault != '!' && fault != '*') << "no error at " << step;
        } catch (const Exception &error) {
            EXPECT_EQ(error.Message(), fault == '!' ? kTimerErrorText : "step failed");
        }
        EXPECT_EQ(host.Take(), asked) << "after " << step;
    }
    EXPECT_EQ(arrow.TimerInterval(), 0) << "the timer is off at the end";
    EXPECT_FALSE(arrow.IsDown() || arrow.IsHeld());
}

INSTANTIATE_TEST_SUITE_P(
    Presses, ArrowRepeatTest,
    ::testing::Values(
        RepeatCase{"WithoutRepeatNoTimer", false, "press: redraw; up: redraw step"},
        // Each click steps once, at its release; a double-click's second press is a press.
        RepeatCase{"DoubleClickStepsTwice", true,
                   "press: redraw timer400; up: stop redraw step; "
                   "press: redraw timer400; up: stop redraw step"},
        // One step per tick while held over the arrow, one at the release: 8 for 1050 ms.
        RepeatCase{"RepeatScheduleOneStepPerTick", true,
                   "press: redraw timer400; tick: stop timer100 step; tick: step; tick: step; "
                   "up: stop redraw step; tick:"},
        // Off the arrow: drawn raised, the timer runs on without steps; back on, they resume.
        RepeatCase{"PointerOffPausesAndReleaseOffTakesNoStep", true,
                   "press: redraw timer400; off: redraw; tick: stop timer100; off:; on: redraw; "
                   "tick: step; off: redraw; upoff: stop"},
        RepeatCase{"MovesWithoutAPressDrawNothing", true, "on:; off:; up:"},
        // Other buttons start the timer but neither press nor step.
        RepeatCase{"OtherButtonNeitherPressesNorSteps", true,
                   "right: timer400; tick: stop timer100; rightup: stop"},
        // A menu opened on the right press took its release: the next tick ends the timer.
        RepeatCase{"OtherButtonsReleaseElsewhereStopsAtTheTick", true,
                   "right: timer400; tickup: stop; tick:"},
        RepeatCase{"HeldLeftButtonIsNotEndedByTheButtonState", true,
                   "press: redraw timer400; tickup: stop timer100 step; up: stop redraw step"},
        RepeatCase{"NoStepWithoutTheCapture", true,
                   "press: redraw timer400; tickaway: stop timer100; up: stop redraw step"},
        // Capture lost, hidden, disabled: raised, timer off, and the release takes no step.
        RepeatCase{"CancelDropsThePress", true,
                   "press: redraw timer400; cancel: stop redraw; tick:; up:"},
        // A refused timer is raised and the press stands until the toolkit's report lets go of
        // it; the next press is an ordinary press.
        RepeatCase{"TimerRefusedAtThePress", true,
                   "press!: redraw; cancel: redraw; press: redraw timer400; up: stop redraw step"},
        RepeatCase{"TimerRefusedAtTheFirstTick", true,
                   "press: redraw timer400; tick!: stop; cancel: redraw; press: redraw timer400; "
                   "up: stop redraw step"},
        // A failing repeated step stops the timer once; no more ticks follow the report.
        RepeatCase{"FailingRepeatedStepStopsTheTimerOnce", true,
                   "press: redraw timer400; tick: stop timer100 step; tick*: step stop; tick:; "
                   "cancel: redraw"}),
    [](const auto &info) { return std::string(info.param.name); });

// The field's change notice may destroy the field, and its arrows with it, inside a step.
TEST(ArrowRepeat, StepThatDestroysTheArrowTouchesNothingAfterwards)
{
    RecordingHost host;
    auto arrow = std::make_unique<ArrowRepeat>(host);
    arrow->SetAllowRepeat(true);
    arrow->Press(true);
    host.m_onStep = [&arrow] {
        arrow.reset();
        throw Exception("step failed");
    };
    EXPECT_THROW(arrow->Tick(), Exception);
    EXPECT_EQ(arrow, nullptr);
}

// The up arrow of a field is 15 x 8; its bottom edge row y = 8 still counts as over.
TEST(IsOverArrow, CountsTheBottomEdgeRow)
{
    const std::tuple<int, int, bool> cases[] = {{0, 0, true},   {14, 8, true},  {15, 4, false},
                                                {-1, 4, false}, {7, -1, false}, {7, 9, false}};
    for (const auto &[x, y, over] : cases)
        EXPECT_EQ(IsOverArrow({15, 8}, x, y), over) << x << ", " << y;
}

TEST(ArrowGlyphPosition, CentredOddPixelLeadingShiftedWhilePressed)
{
    EXPECT_EQ(ArrowGlyphPosition({15, 8}, {9, 6}, false), (Point{3, 1}));
    EXPECT_EQ(ArrowGlyphPosition({15, 9}, {9, 6}, false), (Point{3, 2}));
    EXPECT_EQ(ArrowGlyphPosition({15, 8}, {9, 6}, true), (Point{4, 2}));
    EXPECT_EQ(ArrowGlyphPosition({5, 3}, {9, 6}, false), (Point{-2, -1}));
}

} // namespace
} // namespace mrfyc
