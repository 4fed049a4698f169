// Door and drawer animation: one step per idle call for every entry of both animated kinds.
#pragma once

#include "scene/scene_state.h"

#include <chrono>
#include <ratio>

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

// The idle callback: advances every entry, re-applies the current view, requests a redisplay.
// With frame pacing off each call is one tick. With it on (the running program) each call takes
// the ticks that the animation clock says are due, so that a door swings at the same speed
// however fast or slow frames come.
void onIdle();

// ---- the animation clock ----

// Time in sixtieths of a nanosecond: a tick, 1/60 s, is a whole number of these units, and a
// steady clock's nanoseconds convert to them exactly.
using AnimationTime = std::chrono::duration<long long, std::ratio<1, 60'000'000'000>>;
constexpr AnimationTime ANIMATION_TICK = std::chrono::duration<long long, std::ratio<1, 60>>{1};

// However long a stall (a suspended machine, a window being dragged), one idle call advances at
// most this many ticks, a quarter of a second's worth, rather than fling doors open.
constexpr int MAX_TICKS_PER_IDLE = 15;

// The clock's account of the time the animations have been advanced to.
struct TickAccount {
  bool started = false;
  AnimationTime advancedTo{};
};

// The ticks due at `now`: the whole ticks between the time the account has been advanced to and
// `now`, at most MAX_TICKS_PER_IDLE; the part of a tick left over carries to the next call, the
// ticks beyond the cap are dropped. The first call, and a call whose `now` lies before the last
// one, (re)start the account half a tick back and give none: frames that come at the tick rate
// then fall halfway between ticks, and their jitter changes no count.
int takeAnimationTicks(TickAccount &account, AnimationTime now);
