// Robustness of the callbacks under arbitrary input: long pseudo-random streams of menu, mouse,
// motion, key, reshape, idle, display and pick events, with the scene's invariants and the GL
// state checked after every single event; and the two ways out of the program, from every mode.
//
// ROOMPLANNER_FUZZ_EVENTS sets the length of the stream (default 200000) and ROOMPLANNER_FUZZ_SEED
// its seed (default fixed, so that every run checks the same stream). A failure names the seed
// and the event index; the same seed with the count set to index + 1 replays it.
#include "gl_harness.h"

#include "anim/animation.h"
#include "edit/editing.h"
#include "view/views.h"

#include <GL/freeglut.h>
#include <array>
#include <iterator>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

constexpr unsigned long long defaultEvents = 200000;
constexpr std::uint32_t defaultSeed = 0x5eed2024;

unsigned long long numberFromEnvironment(const char *name, unsigned long long fallback) {
  const char *text = std::getenv(name);
  if (text == nullptr || *text == '\0') {
    return fallback;
  }
  char *end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 0);
  if (errno != 0 || *end != '\0') {
    ADD_FAILURE() << name << " is not a number: '" << text << "'";
    return fallback;
  }
  return value;
}

enum class EventKind { Menu, Mouse, Motion, Keyboard, SpecialKey, Reshape, Idle, Display, Pick };
constexpr int EVENT_KIND_COUNT = 9;
constexpr const char *eventNames[EVENT_KIND_COUNT] = {"onMenu",     "onMouse",      "onMotion",
                                                      "onKeyboard", "onSpecialKey", "onReshape",
                                                      "onIdle",     "onDisplay",    "pickAt"};

struct Event {
  EventKind kind = EventKind::Idle;
  int args[4] = {};
};

int argumentCount(EventKind kind) {
  switch (kind) {
  case EventKind::Menu:
    return 1;
  case EventKind::Mouse:
    return 4;
  case EventKind::Motion:
  case EventKind::Reshape:
  case EventKind::Pick:
    return 2;
  case EventKind::Keyboard:
  case EventKind::SpecialKey:
    return 3;
  default:
    return 0;
  }
}

std::string describe(const Event &e) {
  std::string text = eventNames[static_cast<int>(e.kind)];
  text += '(';
  for (int i = 0; i < argumentCount(e.kind); ++i) {
    text += (i ? ", " : "") + std::to_string(e.args[i]);
  }
  return text + ')';
}

void deliver(const Event &e) {
  const int *a = e.args;
  switch (e.kind) {
  case EventKind::Menu:
    onMenu(a[0]);
    break;
  case EventKind::Mouse:
    onMouse(a[0], a[1], a[2], a[3]);
    break;
  case EventKind::Motion:
    onMotion(a[0], a[1]);
    break;
  case EventKind::Keyboard:
    onKeyboard(static_cast<unsigned char>(a[0]), a[1], a[2]);
    break;
  case EventKind::SpecialKey:
    onSpecialKey(a[0], a[1], a[2]);
    break;
  case EventKind::Reshape:
    onReshape(a[0], a[1]);
    break;
  case EventKind::Idle:
    onIdle();
    break;
  case EventKind::Display:
    onDisplay();
    break;
  case EventKind::Pick:
    pickAt(a[0], a[1]);
    break;
  }
}

// How often each kind of event comes, relative to the others, in EventKind order. Cheap callbacks
// dominate: a display pass or a pick renders the whole scene on the software rasteriser, so the
// two together, with the picks that presses in inspection mode make, come about once in a
// hundred events.
constexpr double eventWeights[EVENT_KIND_COUNT] = {
    4,     // onMenu
    26,    // onMouse
    18,    // onMotion
    10,    // onKeyboard
    8,     // onSpecialKey
    0.5,   // onReshape
    33.35, // onIdle
    0.4,   // onDisplay
    0.25,  // pickAt
};

// Draws events from a seeded generator. The stream depends on the seed alone (with this standard
// library's distributions), never on what the program did, so a seed and an index identify an
// event for good.
class EventSource {
public:
  explicit EventSource(std::uint32_t seed) : rng_(seed) {}

  Event next() {
    Event e;
    e.kind = static_cast<EventKind>(kindChoice_(rng_));
    int *a = e.args;
    switch (e.kind) {
    case EventKind::Menu:
      a[0] = menuValue();
      break;
    case EventKind::Mouse:
      // Mostly the left button going down or up, which is what places, drags, rejects and picks;
      // otherwise any button and any state, reported ones or not.
      if (chance(0.7)) {
        a[0] = GLUT_LEFT_BUTTON;
        a[1] = chance(0.5) ? GLUT_DOWN : GLUT_UP;
      } else {
        a[0] = uniform(-2, 5);
        a[1] = uniform(-1, 2);
      }
      a[2] = coordinate();
      a[3] = coordinate();
      break;
    case EventKind::Motion:
    case EventKind::Pick:
      a[0] = coordinate();
      a[1] = coordinate();
      break;
    case EventKind::Keyboard:
      a[0] = keyboardKey();
      a[1] = coordinate();
      a[2] = coordinate();
      break;
    case EventKind::SpecialKey:
      a[0] = chance(0.6) ? uniform(GLUT_KEY_LEFT, GLUT_KEY_DOWN) : anyInt();
      a[1] = coordinate();
      a[2] = coordinate();
      break;
    case EventKind::Reshape:
      a[0] = windowSize();
      a[1] = chance(0.5) ? a[0] : windowSize();
      break;
    default:
      break;
    }
    return e;
  }

private:
  bool chance(double p) {
    return std::bernoulli_distribution(p)(rng_);
  }
  int uniform(int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng_);
  }
  int anyInt() {
    return uniform(INT_MIN, INT_MAX);
  }
  int oneOf(std::initializer_list<int> values) {
    return values.begin()[uniform(0, static_cast<int>(values.size()) - 1)];
  }

  // 60 % inside the 500 x 500 window, the rest at the edges of int or anywhere in it.
  int coordinate() {
    if (chance(0.6)) {
      return uniform(0, 499);
    }
    if (chance(0.5)) {
      return oneOf({INT_MIN, INT_MIN + 1, -1, 500, 501, 1 << 24, INT_MAX - 1, INT_MAX});
    }
    return anyInt();
  }

  // Every value from -3 to 12 but the exit entry; inspection and the seven kinds more often,
  // since they are what moves the program between its modes.
  int menuValue() {
    if (chance(0.06)) {
      return MENU_INSPECT;
    }
    if (chance(0.6)) {
      return uniform(1, KIND_COUNT);
    }
    int value = MENU_EXIT;
    while (value == MENU_EXIT) {
      value = uniform(-3, 12);
    }
    return value;
  }

  // Any of the 256 keys but Escape; the camera keys more often than their share.
  int keyboardKey() {
    if (chance(0.5)) {
      return oneOf({'+', '-', 'z', 'Z'});
    }
    int key = 27;
    while (key == 27) {
      key = uniform(0, 255);
    }
    return key;
  }

  // The usual 500 x 500, a collapsed window of 0 or 1 pixel, ordinary sizes, and sizes no
  // window system reports.
  int windowSize() {
    const double r = std::uniform_real_distribution<double>(0, 1)(rng_);
    if (r < 0.4) {
      return 500;
    }
    if (r < 0.6) {
      return uniform(0, 1);
    }
    if (r < 0.85) {
      return uniform(2, 2000);
    }
    return oneOf({-1, INT_MIN, INT_MAX, 1 << 20, uniform(-100000, 100000)});
  }

  std::mt19937 rng_;
  std::discrete_distribution<int> kindChoice_{std::begin(eventWeights), std::end(eventWeights)};
};

// GL state the callbacks must leave as they found it.
struct GlBaseline {
  GLint modelviewDepth = 0;
  GLint projectionDepth = 0;
  GLint nameDepth = 0;
};

GlBaseline readBaseline() {
  return {integerState(GL_MODELVIEW_STACK_DEPTH), integerState(GL_PROJECTION_STACK_DEPTH),
          integerState(GL_NAME_STACK_DEPTH)};
}

// The names are only put together when something is wrong: the checks run after every event.
void expectFlag(Problems &f, const char *name, int index, int value) {
  if (value != 0 && value != 1) {
    f.add(std::string(name) + (index >= 0 ? "[" + std::to_string(index) + "]" : "") + " = " +
          std::to_string(value) + ", not a 0/1 flag");
  }
}

// A value may travel as far as its opening limit plus the one step that reaches it, as the
// program's table of animated fields gives them.
void expectAnimated(Problems &f, const AnimatedField &field, int index) {
  const AnimatedValue &v = *animatedPart(field.partCode, index);
  const double upper = field.openLimit + field.step;
  const bool flagsSound = (v.opening == 0 || v.opening == 1) &&
                          (v.closing == 0 || v.closing == 1) && !(v.opening && v.closing);
  const bool valueSound = v.value >= 0 && v.value <= upper; // false for NaN too
  if (flagsSound && valueSound) {
    return;
  }
  f.add("part " + std::to_string(field.partCode) + " of entry " + std::to_string(index) +
        ": value " + std::to_string(v.value) + " (allowed 0.." + std::to_string(upper) +
        "), opening " + std::to_string(v.opening) + ", closing " + std::to_string(v.closing));
}

void checkScene(Problems &f) {
  expectFlag(f, "planView", -1, scene.planView);
  expectFlag(f, "inspectMode", -1, scene.inspectMode);
  expectFlag(f, "dragging", -1, scene.dragging);
  if (scene.planView && scene.inspectMode) {
    f.add("planView and inspectMode are both set");
  }
  int activeKinds = 0;
  for (int k = 0; k < KIND_COUNT; ++k) {
    expectFlag(f, "activeKind", k, scene.activeKind[k]);
    activeKinds += scene.activeKind[k] != 0;
    if (scene.overlapFlag[k] != 0) {
      f.add("overlapFlag[" + std::to_string(k) + "] = " + std::to_string(scene.overlapFlag[k]) +
            " between mouse events");
    }
    const FurnitureList &list = scene.lists[k];
    if (list.count < 0 || list.count > MAX_PIECES_PER_KIND) {
      f.add("lists[" + std::to_string(k) + "].count = " + std::to_string(list.count));
      continue;
    }
    for (int slot = 1; slot <= list.count; ++slot) {
      if (!std::isfinite(list.slots[slot].x) || !std::isfinite(list.slots[slot].z)) {
        f.add("lists[" + std::to_string(k) + "].slots[" + std::to_string(slot) + "] not finite");
      }
    }
  }
  if (activeKinds > 1) {
    f.add(std::to_string(activeKinds) + " kinds active at once");
  }
  if (scene.planView && activeKinds != 1) {
    f.add("plan view without an active kind");
  }
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    for (const AnimatedField &field : animatedFields) {
      expectAnimated(f, field, i);
    }
  }
}

void checkGl(Problems &f, const GlBaseline &baseline) {
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    f.add("GL error " + std::to_string(error));
  }
  const GlBaseline now = readBaseline();
  if (now.modelviewDepth != baseline.modelviewDepth) {
    f.add("model-view stack depth " + std::to_string(now.modelviewDepth) + ", was " +
          std::to_string(baseline.modelviewDepth));
  }
  if (now.projectionDepth != baseline.projectionDepth) {
    f.add("projection stack depth " + std::to_string(now.projectionDepth) + ", was " +
          std::to_string(baseline.projectionDepth));
  }
  if (now.nameDepth != baseline.nameDepth) {
    f.add("name stack depth " + std::to_string(now.nameDepth) + ", was " +
          std::to_string(baseline.nameDepth));
  }
  if (integerState(GL_RENDER_MODE) != GL_RENDER) {
    f.add("render mode is not GL_RENDER");
  }
  if (integerState(GL_MATRIX_MODE) != GL_MODELVIEW) {
    f.add("matrix mode is not GL_MODELVIEW");
  }
}

// What the stream reached, so that a generator that stopped exercising the program shows.
struct Coverage {
  unsigned long long events[EVENT_KIND_COUNT] = {};
  double seconds[EVENT_KIND_COUNT] = {};
  int largestCount = 0;
  unsigned long long fullListEvents = 0;
  unsigned long long animationStarts = 0;
  unsigned long long removals = 0;
  unsigned long long scenes = 0;
};

int movingParts() {
  int moving = 0;
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    for (const AnimatedField &field : animatedFields) {
      moving += animatedPart(field.partCode, i)->opening;
    }
  }
  return moving;
}

int totalPieces() {
  int total = 0;
  for (const FurnitureList &list : scene.lists) {
    total += list.count;
  }
  return total;
}

// Where the stream is, for a sanitizer that ends the process in the middle of an event: its
// report then closes with what is needed to replay the stream up to that event.
struct StreamPosition {
  std::uint32_t seed = 0;
  unsigned long long index = 0;
  Event event;
  bool running = false;
};
StreamPosition position;

[[maybe_unused]] void reportStreamPosition() {
  if (position.running) {
    std::fprintf(stderr,
                 "event stream stopped in event #%llu %s; replay with ROOMPLANNER_FUZZ_SEED=%u "
                 "ROOMPLANNER_FUZZ_EVENTS=%llu\n",
                 position.index, describe(position.event).c_str(), position.seed,
                 position.index + 1);
  }
}

class EventStreamTest : public GlTest {
protected:
  void SetUp() override {
    GlTest::SetUp();
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(reportStreamPosition);
    // GCC's UndefinedBehaviorSanitizer is a library of its own with its own death callback.
    if (void *ubsan = dlopen("libubsan.so.1", RTLD_LAZY | RTLD_NOLOAD)) {
      using SetDeathCallback = void (*)(void (*)());
      if (auto set =
              reinterpret_cast<SetDeathCallback>(dlsym(ubsan, "__sanitizer_set_death_callback"))) {
        set(reportStreamPosition);
      }
    }
#endif
  }
  void TearDown() override {
    position.running = false;
  }
};

TEST_F(EventStreamTest, EveryEventKeepsTheSceneAndGlStateSound) {
  const unsigned long long eventCount =
      numberFromEnvironment("ROOMPLANNER_FUZZ_EVENTS", defaultEvents);
  const auto seed =
      static_cast<std::uint32_t>(numberFromEnvironment("ROOMPLANNER_FUZZ_SEED", defaultSeed));
  std::printf("event stream: seed %u, %llu events\n", seed, eventCount);

  EventSource source(seed);
  // A stream is cut into scenes of varying length, each starting from an empty room as a new
  // process would: short ones keep most display passes cheap, long ones fill the lists.
  std::mt19937 sceneLengths(seed ^ 0x9e3779b9u);
  std::bernoulli_distribution longScene(0.04);
  std::geometric_distribution<unsigned long long> shortLength(1.0 / 800);
  std::geometric_distribution<unsigned long long> longLength(1.0 / 12000);

  const GlBaseline baseline = readBaseline();
  Coverage coverage;
  constexpr int remembered = 12;
  std::array<Event, remembered> recent{};
  unsigned long long sceneStart = 0;
  unsigned long long sceneEnd = 0;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();

  for (unsigned long long index = 0; index < eventCount; ++index) {
    if (index == sceneEnd) {
      resetScene();
      ++coverage.scenes;
      sceneStart = index;
      sceneEnd = index + 1 +
                 (longScene(sceneLengths) ? longLength(sceneLengths) : shortLength(sceneLengths));
    }
    const Event event = source.next();
    recent[index % remembered] = event;
    position = {seed, index, event, true};
    const int piecesBefore = totalPieces();
    const int movingBefore = movingParts();

    const Clock::time_point before = Clock::now();
    deliver(event);
    const int k = static_cast<int>(event.kind);
    coverage.seconds[k] += std::chrono::duration<double>(Clock::now() - before).count();
    ++coverage.events[k];

    Problems findings;
    checkScene(findings);
    checkGl(findings, baseline);
    if (!findings.empty()) {
      std::string history;
      const unsigned long long first = index + 1 > remembered ? index + 1 - remembered : 0;
      for (unsigned long long i = first; i <= index; ++i) {
        history += "\n  #" + std::to_string(i) + " " + describe(recent[i % remembered]);
      }
      FAIL() << "seed " << seed << ", event #" << index << " " << describe(event) << " broke:\n"
             << findings.text() << "the scene was put back to its start-up state before event #"
             << sceneStart << "; the last events:" << history
             << "\nreplay with ROOMPLANNER_FUZZ_SEED=" << seed
             << " ROOMPLANNER_FUZZ_EVENTS=" << index + 1;
    }

    for (const FurnitureList &list : scene.lists) {
      coverage.largestCount = std::max(coverage.largestCount, list.count);
      coverage.fullListEvents += list.count == MAX_PIECES_PER_KIND;
    }
    coverage.animationStarts += movingParts() > movingBefore;
    coverage.removals += event.kind == EventKind::Mouse && totalPieces() < piecesBefore;
  }

  const double total = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%llu events in %.2f s over %llu scenes; largest list %d, %llu events with a full "
              "list, %llu animation starts, %llu pieces rejected\n",
              eventCount, total, coverage.scenes, coverage.largestCount, coverage.fullListEvents,
              coverage.animationStarts, coverage.removals);
  for (int k = 0; k < EVENT_KIND_COUNT; ++k) {
    std::printf("  %-13s %8llu events %8.2f s\n", eventNames[k], coverage.events[k],
                coverage.seconds[k]);
  }
  // A stream as long as the default one reaches the program's deeper states; if it no longer
  // does, the generator has stopped testing what it is meant to.
  if (eventCount >= defaultEvents) {
    EXPECT_EQ(coverage.largestCount, MAX_PIECES_PER_KIND);
    EXPECT_GT(coverage.animationStarts, 0u);
    EXPECT_GT(coverage.removals, 0u);
  }
}

// The two ways out of the program, tried from every mode it can be in. Each mode is first reached
// in this process and confirmed, so that the exit is known to start from it.
struct ExitMode {
  const char *name;
  void (*enter)();
  bool (*reached)();
};

struct ExitPath {
  const char *name;
  void (*leave)();
};

void placeWardrobeAndOpenItsLeftDoor() {
  onMenu(3);
  leftClick(250, 250);
  onMenu(MENU_INSPECT);
  // What a pick on the door hands to the display pass, which starts the swing.
  scene.pickedIndex = 0;
  scene.pendingAction = PICK_LEFT_DOOR;
  onDisplay();
  for (int tick = 0; tick < 40; ++tick) {
    onIdle();
  }
}

const ExitMode exitModes[] = {
    {"Start", [] {}, [] { return !scene.planView && !scene.inspectMode; }},
    {"PlanView", [] { onMenu(1); }, [] { return scene.planView == 1; }},
    {"Inspecting",
     [] {
       onMenu(1);
       onMenu(MENU_INSPECT);
     },
     [] { return scene.inspectMode == 1 && scene.activeKind[Table] == 1; }},
    {"MidDrag",
     [] {
       onMenu(2);
       onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 200, 200);
       onMotion(260, 240);
     },
     [] { return scene.dragging == 1 && scene.lists[Chair].count == 1; }},
    {"MidAnimation", placeWardrobeAndOpenItsLeftDoor,
     [] {
       const AnimatedValue &door = scene.wardrobeAnim[0].leftDoorAngle;
       return scene.lists[Wardrobe].count == 1 && door.opening == 1 && door.value == 10;
     }},
};

const ExitPath exitPaths[] = {
    {"Salir", [] { onMenu(MENU_EXIT); }},
    {"Escape", [] { onKeyboard(27, 0, 0); }},
};

// Test names and failure messages show the mode and the path by name.
void PrintTo(const ExitMode &mode, std::ostream *out) {
  *out << mode.name;
}
void PrintTo(const ExitPath &path, std::ostream *out) {
  *out << path.name;
}

class ExitDeathTest : public GlTest,
                      public ::testing::WithParamInterface<std::tuple<ExitMode, ExitPath>> {};

TEST_P(ExitDeathTest, EndsTheProcessWithStatusZero) {
  const ExitMode &mode = std::get<0>(GetParam());
  const ExitPath &path = std::get<1>(GetParam());
  mode.enter();
  ASSERT_TRUE(mode.reached()) << "the mode " << mode.name << " was not reached";
  EXPECT_EXIT(path.leave(), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(EveryModeAndPath, ExitDeathTest,
                         ::testing::Combine(::testing::ValuesIn(exitModes),
                                            ::testing::ValuesIn(exitPaths)),
                         [](const auto &info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::get<1>(info.param).name;
                         });

} // namespace
