// Door and drawer animation: every entry of both animated kinds moves one step per tick, the
// idle callback taking the ticks the frame clock says are due; and the heartbeat, which rests
// while nothing moves.
#pragma once

#include "scene/scene_state.h"

// The step and the opening limit of one animated value field, keyed by its part code.
struct AnimatedField {
  int partCode;
  double step;
  double openLimit;
};

inline constexpr AnimatedField animatedFields[] = {
    {PICK_LEFT_DOOR, 0.25, 85},
    {PICK_RIGHT_DOOR, 0.25, 85},
    {PICK_WARDROBE_UPPER_DRAWER, 0.025, 5},
    {PICK_WARDROBE_LOWER_DRAWER, 0.025, 5},
    {PICK_BEDSIDE_UPPER_DRAWER, 0.025, 2.5},
    {PICK_BEDSIDE_LOWER_DRAWER, 0.025, 2.5},
};

// A closing part comes to rest once its value is no longer above this.
constexpr double CLOSED_BOUND = 0.1;

// One tick of one value: the opening test, then the closing test in the same tick.
void stepAnimatedValue(AnimatedValue &v, const AnimatedField &field);

// One tick of every animated value of all 50 entries of both kinds.
void advanceAnimations();

// The idle callback, the heartbeat: advances every entry by the ticks the frame clock says are
// due (one per call without pacing), re-applies the current view, and requests a redisplay when
// a frame would differ from the one shown. When none would and nothing moves, the heartbeat rests:
// it unregisters itself, and GLUT waits for the window system's next event instead of calling it.
void onIdle();

// Registers the idle callback again if the heartbeat rests, and starts the clock's account afresh,
// so that a door set moving after a pause takes its first step a tick later, not a pause's worth
// of steps at once.
void wakeHeartbeat();

// The visibility callback. A window GLUT does not show gets no frames, and none is waited for: it
// rests while still, and GLUT draws it when it shows again.
void onVisibility(int state);

// `callback` as GLUT calls it, the heartbeat woken first. Every callback through which the window
// system reaches the program is registered so, and none has to remember to wake it.
template <auto callback> struct WakeThen;
template <class... Args, void (*callback)(Args...)> struct WakeThen<callback> {
  static void call(Args... args) {
    wakeHeartbeat();
    callback(args...);
  }
};
template <auto callback> inline constexpr auto wakeThen = &WakeThen<callback>::call;
