// Door and drawer animation: every entry of both animated kinds moves one step per tick, the
// idle callback taking the ticks the frame clock says are due.
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

// The idle callback: advances every entry by the ticks the frame clock says are due (one per
// call without pacing), re-applies the current view and requests a redisplay.
void onIdle();
