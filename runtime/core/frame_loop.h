// The frame loop: presenting, pacing to the frame period, and the timing commands.
#pragma once

namespace korvane {

// The per-frame command: frame time, pause, keyboard, quit keys, present and pace, and the
// next frame's 2D state. Does not return when the program ends inside it.
void presentFrame();

// fps truncated to an integer n: period 1000 / n when n > 0, else 2 ms. Next frame on.
void setFrameRate(double framesPerSecond);

// Milliseconds between the last two presented frames; 1.0 when that is 0 or less.
double frameDuration();

// Milliseconds since the program clock started (after the loading screen).
double programTime();

// Sleeps the value truncated to whole milliseconds; a negative or NaN value does not sleep.
void sleepMs(double milliseconds);

// The program's set-screen command: width, height and fullscreen truncated to integers, the
// display switched (setDisplayMode with the desktop's colour depth), five frames presented.
void setScreen(double width, double height, double fullscreen);

// Escape ends the program from presentFrame while set (any non-zero value, NaN too).
void setEscapeEnds(double value);

}  // namespace korvane
