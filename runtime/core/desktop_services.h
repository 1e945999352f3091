// Desktop services: the file chooser, starting programs, background music, full-window video,
// the waits for input, and typed line input over the current screen. Main thread only.
#pragma once

#include "runtime/values/rt_string.h"

namespace korvane {

// The desktop's open chooser (open != 0, NaN too) or save chooser (open == 0), starting in the
// current directory, which is the same again afterwards. `filter` is "label|patterns|label|
// patterns..." with ";" between patterns (at most 1022 characters are used). The display is
// hidden meanwhile and shown again afterwards. The chosen path with "\" turned into "/", or
// "NO_FILE" when cancelled or when no chooser exists.
RtString fileRequester(double open, const RtString& filter);

// Runs `command` through the shell. exitCode is set to 0, then, when `wait` is non-zero, to
// the program's exit code (128 + the signal's number when a signal ended it) once it has
// ended; window events are not handled meanwhile. 1.0 when it started, 0.0 when it could not
// start (its program is not found, say). A child not waited for is collected later, never left
// as a zombie. `show` is kept for callers; a child has no window state to set here.
double runProgram(const RtString& command, double wait, double show, double& exitCode);

// Replaces the music with `file` (resolved as a media file), played from its start in a loop
// at normal volume. 1.0 when it plays, 0.0 when the file is missing or cannot be played (then
// no music plays).
double playMusic(const RtString& file);

// Stops the music and closes it; nothing when none plays.
void stopMusic();

// Volume x 1000, truncated (1.0 is the file's own loudness); nothing without music.
void setMusicVolume(double volume);

// Plays `file` (resolved as a media file) over the main window, scaled to fit it with its
// aspect kept and centred, until a key that gives a character or a mouse button is pressed or,
// without `loop`, until it ends. 0 once it was shown; 3 when it is missing, cannot be played or
// has no picture.
double playVideo(const RtString& file, double loop = 0);

// Waits for a key that gives a character (Shift alone does not), then until it gives none.
void waitForKey();
// Waits until no mouse button is held, then for a button to be pressed.
void waitForMouseButton();
// Returns at the first change of keyboard, mouse or joystick input, or after 15 quiet rounds
// of about 5 ms. Escape (or code 129) ends the program while Escape ends programs.
void waitForInput();

// Lets the user type over the current screen at (x, y): characters are appended, Backspace
// removes the last one, Enter ends; the text is drawn with a blinking "_" after it.
void inputLine(RtString& text, double x, double y);
// inputLine on an empty text, then the number the text reads as.
void inputNumber(double& value, double x, double y);

}  // namespace korvane
