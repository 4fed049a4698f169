// Timings of the program's hot paths on a real 500 x 500 GLUT window: the display pass of an
// empty and of a full room in both views, the pick query, the idle step with every door and
// drawer moving, the release step against the largest number of rectangles, and the pixel to
// floor conversion.
//
// `room_bench --profile-frames=N` skips the timings and draws N full-room perspective frames
// through profiledFullRoomFrame(), a function a profiler can restrict its counting to.
#include "anim/animation.h"
#include "app/app_shell.h"
#include "edit/editing.h"
#include "scene/scene_state.h"
#include "view/views.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int WINDOW_SIZE = 500;

void pumpEvents(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    glutMainLoopEvent();
  }
}

// Keeps the camera, window size and GL state of start-up, clears everything else.
void emptyRoom() {
  const SceneState keep = scene;
  resetScene();
  scene.windowWidth = keep.windowWidth;
  scene.windowHeight = keep.windowHeight;
  scene.menuId = keep.menuId;
}

// The extent of each kind's footprint about its placement point in room units, once the display
// pass has turned it: chairs and sofas reach from their origin towards -z, shelf units towards
// -x, and the bed's headboard sits just behind its origin.
struct Footprint {
  float xMin, xMax, zMin, zMax;
};
constexpr Footprint footprints[KIND_COUNT] = {
    {0, 12, 0, 7},          // Table
    {0, 4, -4, 0},          // Chair
    {0, 10, 0, 7.25f},      // Wardrobe
    {0, 5, 0, 3.5f},        // BedsideTable
    {-4, 0, 0, 8},          // Shelf
    {0, 9, -20, 0},         // Sofa
    {-0.75f, 14.75f, 0, 8}, // Bed
};

// Fifty pieces of every kind, each kind on its own 10 x 5 grid stretched so that its footprints
// span the whole floor, the last row standing at the front edge (z = 40). 350 pieces cannot
// stand apart on a 42 x 42 floor, so the kinds overlap; what matters here is the amount of
// geometry and the pixels it covers.
void fullRoom() {
  emptyRoom();
  constexpr float floorMin = -2;
  constexpr float floorSize = 42;
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    const Footprint &f = footprints[kind];
    const float xStep = (floorSize - (f.xMax - f.xMin)) / 9;
    const float zStep = (floorSize - (f.zMax - f.zMin)) / 4;
    FurnitureList &list = scene.lists[kind];
    for (int j = 0; j < MAX_PIECES_PER_KIND; ++j) {
      const float column = static_cast<float>(j % 10);
      const float row = static_cast<float>(j / 10);
      list.slots[j + 1] = {floorMin - f.xMin + xStep * column, floorMin - f.zMin + zStep * row};
    }
    list.count = MAX_PIECES_PER_KIND;
  }
}

enum class View { Plan, Perspective };
enum class Room { Empty, Full };

void applyView(View view) {
  scene.planView = view == View::Plan ? 1 : 0;
  if (view == View::Plan) {
    applyPlanView();
  } else {
    applyPerspectiveView();
  }
}

// One frame as the window shows it: the display pass, then waiting until the renderer has
// finished every pixel of it, so that the software rasteriser's threads are counted too.
void displayFrame(bool finish) {
  onDisplay();
  if (finish) {
    glFinish();
  }
}

void benchDisplay(benchmark::State &state, Room room, View view, bool finish) {
  if (room == Room::Full) {
    fullRoom();
  } else {
    emptyRoom();
  }
  applyView(view);
  displayFrame(true); // the first frame compiles the renderer's shaders
  for (auto _ : state) {
    displayFrame(finish);
  }
  if (!finish) {
    glFinish();
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

struct WindowPixel {
  int x;
  int y;
  bool found;
};

// The window pixel (mouse convention, y down) over the left door of wardrobe `index`, well
// inside the door panel and clear of its handle, under the current perspective view.
WindowPixel leftDoorPixel(int index) {
  const Placement &p = scene.lists[Wardrobe].slots[index + 1];
  GLdouble model[16];
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx = 0;
  GLdouble wy = 0;
  GLdouble wz = 0;
  if (gluProject(p.x + 1.5, 13.0, p.z + 7.3, model, projection, viewport, &wx, &wy, &wz) !=
      GL_TRUE) {
    return {0, 0, false};
  }
  const int x = static_cast<int>(std::lround(wx));
  const int y = viewport[3] - static_cast<int>(std::lround(wy));
  const bool inside = x >= 0 && x < viewport[2] && y >= 0 && y < viewport[3];
  return {x, y, inside};
}

// A wardrobe door that the pick query finds: the front-most wardrobe whose left door pixel
// returns 101 and names that wardrobe. Wardrobes further back are tried in turn.
WindowPixel findPickableDoor(int &wardrobeIndex) {
  for (int index = MAX_PIECES_PER_KIND - 1; index >= 0; --index) {
    applyPerspectiveView();
    const WindowPixel pixel = leftDoorPixel(index);
    if (!pixel.found) {
      continue;
    }
    scene.pickedIndex = -7;
    if (pickAt(pixel.x, pixel.y) == PICK_LEFT_DOOR && scene.pickedIndex == index) {
      wardrobeIndex = index;
      return pixel;
    }
  }
  return {0, 0, false};
}

void benchPickDoor(benchmark::State &state) {
  fullRoom();
  scene.inspectMode = 1;
  applyView(View::Perspective);
  displayFrame(true);
  int wardrobeIndex = -1;
  const WindowPixel door = findPickableDoor(wardrobeIndex);
  if (!door.found) {
    state.SkipWithError("no wardrobe door could be picked in the full room");
    return;
  }
  int wrong = 0;
  for (auto _ : state) {
    const int name = pickAt(door.x, door.y);
    wrong += name != PICK_LEFT_DOOR;
  }
  if (wrong != 0 || scene.pickedIndex != wardrobeIndex) {
    state.SkipWithError("the pick stopped finding the wardrobe door");
    return;
  }
  state.SetLabel("wardrobe " + std::to_string(wardrobeIndex) + " at pixel (" +
                 std::to_string(door.x) + ", " + std::to_string(door.y) + ")");
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Every one of the six value fields of all 50 entries, wardrobes and bedside tables.
std::vector<AnimatedValue *> allAnimatedValues() {
  std::vector<AnimatedValue *> values;
  for (int i = 0; i < MAX_PIECES_PER_KIND; ++i) {
    for (const AnimatedField &field : animatedFields) {
      values.push_back(animatedPart(field.partCode, i));
    }
  }
  return values;
}

// Runs of idle steps between re-arming. The shortest full cycle, a bedside drawer from 0, takes
// 198 steps, so every value is still moving at the end of each run.
constexpr int IDLE_RUN = 150;

void benchIdle(benchmark::State &state) {
  fullRoom();
  applyView(View::Perspective);
  const std::vector<AnimatedValue *> values = allAnimatedValues();
  int step = 0;
  bool allMoving = true;
  for (auto _ : state) {
    if (step == 0) {
      state.PauseTiming();
      for (AnimatedValue *v : values) {
        allMoving = allMoving && (v->opening || v->closing || v->value == 0);
        *v = AnimatedValue{0, 1, 0};
      }
      state.ResumeTiming();
    }
    onIdle();
    if (++step == IDLE_RUN) {
      step = 0;
    }
  }
  for (AnimatedValue *v : values) {
    allMoving = allMoving && (v->opening || v->closing);
  }
  if (!allMoving) {
    state.SkipWithError("a door or drawer came to rest during a timed run");
  }
}

// A pixel where the newest piece of `kind` stands inside no rejection rectangle of the full room:
// found by dragging it there and releasing it, nearest to the window centre first, and undoing
// any removal. The piece is left standing there.
WindowPixel findFreeReleasePixel(int kind) {
  FurnitureList &list = scene.lists[kind];
  for (int radius = 0; radius <= 1500; radius += 10) {
    for (int dy = -radius; dy <= radius; dy += 10) {
      for (int dx = -radius; dx <= radius; dx += 10) {
        if (std::abs(dx) != radius && std::abs(dy) != radius) {
          continue; // only the ring at this radius
        }
        const int x = WINDOW_SIZE / 2 + dx;
        const int y = WINDOW_SIZE / 2 + dy;
        scene.dragging = 1; // as the press of the drag leaves it
        onMotion(x, y);
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
        if (list.count == MAX_PIECES_PER_KIND) {
          return {x, y, true};
        }
        list.count = MAX_PIECES_PER_KIND;
      }
    }
  }
  return {0, 0, false};
}

void benchRelease(benchmark::State &state) {
  fullRoom();
  onMenu(1 + Wardrobe); // placing wardrobes: the plan view, wardrobes active
  const WindowPixel free = findFreeReleasePixel(Wardrobe);
  if (!free.found) {
    state.SkipWithError("no point outside every rectangle");
    return;
  }
  for (auto _ : state) {
    scene.dragging = 1; // only the release that ends a drag judges it
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, free.x, free.y);
  }
  if (scene.lists[Wardrobe].count != MAX_PIECES_PER_KIND) {
    state.SkipWithError("the release removed a piece");
    return;
  }
  state.SetLabel("349 rectangles, the piece at pixel (" + std::to_string(free.x) + ", " +
                 std::to_string(free.y) + ")");
}

void benchRoomToWorld(benchmark::State &state) {
  int x = 0;
  for (auto _ : state) {
    const RoomPoint p = roomToWorld(x, WINDOW_SIZE - x);
    benchmark::DoNotOptimize(p);
    x = (x + 7) % WINDOW_SIZE;
  }
}

// Kept out of line so that a profiler can count exactly the work of full-room frames.
__attribute__((noinline)) void profiledFullRoomFrame() {
  displayFrame(true);
}

int profileFrames(int frames) {
  fullRoom();
  applyView(View::Perspective);
  displayFrame(true);
  displayFrame(true);
  for (int i = 0; i < frames; ++i) {
    profiledFullRoomFrame();
  }
  std::printf("drew %d full-room perspective frames\n", frames);
  return 0;
}

void registerBenchmarks() {
  struct DisplayCase {
    const char *name;
    Room room;
    View view;
  };
  const DisplayCase displayCases[] = {
      {"empty/plan", Room::Empty, View::Plan},
      {"empty/perspective", Room::Empty, View::Perspective},
      {"full/plan", Room::Full, View::Plan},
      {"full/perspective", Room::Full, View::Perspective},
  };
  for (bool finish : {true, false}) {
    for (const DisplayCase &c : displayCases) {
      const std::string name = std::string(finish ? "frame/" : "frame_no_finish/") + c.name;
      benchmark::RegisterBenchmark(
          name.c_str(),
          [c, finish](benchmark::State &state) { benchDisplay(state, c.room, c.view, finish); })
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("pickAt/full/wardrobe_door", benchPickDoor)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("onIdle/all_moving", benchIdle)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("release/349_rectangles", benchRelease)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("roomToWorld", benchRoomToWorld)->Unit(benchmark::kNanosecond);
}

std::string glString(GLenum name) {
  const GLubyte *text = glGetString(name);
  return text != nullptr ? reinterpret_cast<const char *>(text) : "(unknown)";
}

} // namespace

int main(int argc, char **argv) {
  int frames = -1;
  const char *profileFlag = "--profile-frames=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], profileFlag, std::strlen(profileFlag)) == 0) {
      frames = std::atoi(argv[i] + std::strlen(profileFlag));
      for (int j = i; j + 1 < argc; ++j) {
        argv[j] = argv[j + 1];
      }
      --argc;
      --i;
    }
  }

  startUp();
  pumpEvents(20);
  if (scene.windowWidth != WINDOW_SIZE || scene.windowHeight != WINDOW_SIZE) {
    std::fprintf(stderr, "the window is %g x %g, not %d x %d\n", scene.windowWidth,
                 scene.windowHeight, WINDOW_SIZE, WINDOW_SIZE);
    return 1;
  }
  if (frames >= 0) {
    return profileFrames(frames);
  }

  benchmark::AddCustomContext("gl_renderer", glString(GL_RENDERER));
  benchmark::AddCustomContext("gl_version", glString(GL_VERSION));
  benchmark::AddCustomContext("window",
                              std::to_string(WINDOW_SIZE) + " x " + std::to_string(WINDOW_SIZE));
  registerBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
