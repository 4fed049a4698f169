// The application shell: start-up, window, lighting and the registration of every callback.
#pragma once

// A directional light from (5, 5, 10), fixed relative to the eye.
inline constexpr float light0Position[4] = {5, 5, 10, 0};

inline constexpr const char *windowTitle = "La Quellmar. Alumno: Tobias Wrennick";

// Light 0 and the capabilities that stay on for the whole run.
void initLighting();

// Everything start-up does before the main loop: toolkit, window, lighting, menu and callbacks.
// Returns the window id. Ends the process with status 0 if no window can be created.
int startUp();
