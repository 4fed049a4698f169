// The application shell: start-up, window, lighting, callback registration, and presenting
// frames (buffer swap and frame pacing).
#pragma once

// A directional light from (5, 5, 10), fixed relative to the eye.
inline constexpr float light0Position[4] = {5, 5, 10, 0};

inline constexpr const char *windowTitle = "La Quellmar. Alumno: Tobias Wrennick";

// Light 0 and the capabilities that stay on for the whole run.
void initLighting();

// Everything start-up does before the main loop: toolkit, window, lighting, menu and callbacks.
// Returns the window id. Ends the process with status 0 if no window can be created.
int startUp();

// Asks GLUT to redraw the window; every redisplay request of the program goes through here.
void requestRedisplay();
// How many redisplays the program has requested since it started.
extern unsigned long redisplayRequestCount;

// Swaps the buffers, then, when pacing is on, waits out the rest of the frame's 1/60 s unless
// the display's vertical sync already holds the frame rate down to 75 per second or less, so
// that the processor rests between frames. (How far doors move does not depend on the frame
// rate: with pacing on, the idle callback advances them by the animation clock.)
void presentFrame();

// Called at every idle call. When pacing is on and no frame was presented since the previous idle
// call (GLUT skips the redisplay of a hidden or covered window), waits out the rest of the 1/60 s
// here instead, so that the processor rests there too.
void paceIdleCall();

// Turns frame pacing on: asks the driver for one swap per display refresh and paces frames to 60
// per second where that does not hold, and the idle callback moves doors and drawers by the
// animation clock. Off until called, so that tests run at full speed, one step per idle call.
void enableFramePacing();
void disableFramePacing();
bool framePacingEnabled();
// Whether the driver accepted a swap interval of 1.
bool swapControlAvailable();
