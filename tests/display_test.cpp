// The display pass, the menu and the camera keys, checked on a real 500 x 500 window.
//
// Frames are read with glReadPixels from the back buffer after the pass has swapped (readFrame):
// Mesa's software rasteriser under Xvfb copies the back buffer to the window on a swap and leaves
// it in place, while reading GL_FRONT returns black there. WindowShowsTheFrameReadBack checks that
// what is read back is what the X server shows in the window.
#include "gl_harness.h"
#include "edit/editing.h"
#include "models/furniture_models.h"
#include "view/views.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {
struct MenuRow {
  std::string label;
  int value;
};
std::vector<MenuRow> builtMenuRows;
} // namespace

// The rows that menus are built with, recorded on their way to GLUT: the test is linked with
// -Wl,--wrap=glutAddMenuEntry, which routes the program's calls through here.
extern "C" void __real_glutAddMenuEntry(const char *label, int value);
extern "C" void __wrap_glutAddMenuEntry(const char *label, int value) {
  builtMenuRows.push_back({label, value});
  __real_glutAddMenuEntry(label, value);
}

namespace {

using Vec3 = std::array<double, 3>;

// The pieces are drawn in the materials of the program's palette, whose values the geometry tests
// check; the floor's colour is checked here, against its value.
constexpr GLfloat floorColour[4] = {0.73f, 0.94f, 0.51f, 1};

// How many pixels (x, y from the top) satisfy `counts`; `first` gets the first one's place and
// colour.
int countPixels(const Frame &frame, const std::function<bool(int, int, const Rgb &)> &counts,
                std::string *first = nullptr) {
  int n = 0;
  for (int y = 0; y < WINDOW_SIZE; ++y) {
    for (int x = 0; x < WINDOW_SIZE; ++x) {
      const Rgb c = pixelAt(frame, x, y);
      if (counts(x, y, c) && n++ == 0 && first != nullptr) {
        *first = std::to_string(x) + "," + std::to_string(y) + " (" + std::to_string(c[0]) + ", " +
                 std::to_string(c[1]) + ", " + std::to_string(c[2]) + ")";
      }
    }
  }
  return n;
}

// Eye-space direction of a model's +y axis under the current model-view matrix: the normal of
// every upward face.
Vec3 eyeUpNormal() {
  const auto m = readMatrix(GL_MODELVIEW_MATRIX);
  const double length = std::sqrt(m[4] * m[4] + m[5] * m[5] + m[6] * m[6]);
  return {m[4] / length, m[5] / length, m[6] / length};
}

// A face's colour on screen, 0..255: the global ambient 0.2 times the material plus the white
// diffuse of light 0, which shines from the eye-space direction (5, 5, 10).
Rgb litColour(const GLfloat *material, const Vec3 &normal) {
  const double diffuse =
      std::max(0.0, (5 * normal[0] + 5 * normal[1] + 10 * normal[2]) / std::sqrt(150.0));
  auto channel = [&](double m) {
    return static_cast<int>(std::lround(std::min(1.0, m * (0.2 + diffuse)) * 255));
  };
  return {channel(material[0]), channel(material[1]), channel(material[2])};
}

bool near(const Rgb &actual, const Rgb &expected, int tolerance = 2) {
  for (int c = 0; c < 3; ++c) {
    if (std::abs(actual[c] - expected[c]) > tolerance) {
      return false;
    }
  }
  return true;
}

std::string show(const Rgb &c) {
  return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) +
         ")";
}

// Plan-view pixel of a room coordinate: the window spans the floor's -2..40 in x and z.
int planPixel(double room) {
  return static_cast<int>(std::floor((room + 2) * WINDOW_SIZE / 42));
}

// The plan view, and the perspective view of a square window with the orbit centre straight
// ahead at `distance`.
void expectPlanView() {
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, orthoMatrix(-2, 40, -2, 40, 2, 1000), 1e-5, 0));
  EXPECT_TRUE(
      matrixNear(GL_MODELVIEW_MATRIX, translation(0, 38, -42) * rotation(90, 1, 0, 0), 1e-5, 0));
}

void expectPerspectiveView(double distance, double tolerance) {
  EXPECT_TRUE(matrixNear(GL_PROJECTION_MATRIX, frustumMatrix(-1, 1, -1, 1, 2, 200), 1e-5, 0));
  const Vec3 centre = eyePoint(20, 10, 20);
  EXPECT_NEAR(centre[0], 0, tolerance);
  EXPECT_NEAR(centre[1], 0, tolerance);
  EXPECT_NEAR(centre[2], -distance, tolerance);
}

// Whether the scene record is byte for byte as saved. It holds only ints and floats, so equal
// bytes mean equal fields.
bool sceneUnchanged(const SceneState &saved) {
  return std::memcmp(&saved, &scene, sizeof(SceneState)) == 0;
}

// Returns the redisplays `call` requested; an exit inside it ends the process with status 1.
unsigned long redisplaysWithoutExit(const std::function<void()> &call) {
  const unsigned long before = redisplayRequestCount;
  exitForbidden = true;
  call();
  exitForbidden = false;
  return redisplayRequestCount - before;
}

class DisplayTest : public GlTest {};

TEST_F(DisplayTest, WindowShowsTheFrameReadBack) {
  // Windows of test processes running side by side open at the same place; this one moves to a
  // part of the screen where no other lies and is raised, so that the server has all its pixels.
  // A window of another process that still covers it for a moment is waited out by trying again.
  glutPositionWindow(760, 500);
  placePiece(Table, 5, 5);
  placePiece(Sofa, 20, 30);
  applyPlanView();
  Frame frame;
  int differing = -1;
  for (int attempt = 0; attempt < 3 && differing != 0; ++attempt) {
    glutPopWindow();
    pumpEvents(20);
    onDisplay();
    glFinish();
    frame = readFrame();
    differing = pixelsDifferingFromTheWindow(frame);
  }
  EXPECT_EQ(glutGet(GLUT_WINDOW_X), 760);
  EXPECT_EQ(glutGet(GLUT_WINDOW_Y), 500);
  glutPositionWindow(100, 100);
  pumpEvents(20);
  EXPECT_EQ(differing, 0);
  EXPECT_NE(pixelAt(frame, planPixel(11), planPixel(6)), pixelAt(frame, 0, 0))
      << "the frame shows the table on the floor";
}

TEST_F(DisplayTest, EmptyRoomShowsOnlyTheFloorFromAbove) {
  applyPlanView();
  onDisplay();
  const Rgb expected = litColour(floorColour, eyeUpNormal());
  std::string first;
  EXPECT_EQ(countPixels(
                readFrame(), [&](int, int, const Rgb &c) { return !near(c, expected); }, &first),
            0)
      << "expected " << show(expected) << " everywhere; first: " << first;
}

TEST_F(DisplayTest, EmptyRoomInPerspectiveIsAFloorBandInTheLowerHalf) {
  applyPerspectiveView();
  onDisplay();
  const Frame frame = readFrame();

  const auto win = projectToWindow(20, 0, 20);
  const double winX = win[0], fromTop = WINDOW_SIZE - win[1];
  EXPECT_NEAR(winX, 250, 1);
  EXPECT_NEAR(fromTop, 332, 1);

  const Rgb floorLit = litColour(floorColour, eyeUpNormal());
  const Rgb centre = pixelAt(frame, static_cast<int>(winX), static_cast<int>(fromTop));
  EXPECT_TRUE(near(centre, floorLit)) << show(centre) << " vs " << show(floorLit);
  // The camera looks slightly down at the orbit centre, 10 above the floor, so the whole floor
  // lies below the window's middle row; its nearest corner stays above the bottom row.
  EXPECT_EQ(countPixels(frame,
                        [](int, int y, const Rgb &c) {
                          return (y < WINDOW_SIZE / 2 || y == WINDOW_SIZE - 1) && c != Rgb{0, 0, 0};
                        }),
            0);
}

// Where each kind's footprint lies relative to its placement, and which material is on top 0.5
// inside each edge and at the centre, as seen from above.
struct FootprintCase {
  const char *name;
  FurnitureKind kind;
  float px, pz;
  float x0, x1, z0, z1;
  float alongX; // x offset at which the z0 and z1 edges are probed
  float alongZ; // z offset at which the x0 and x1 edges are probed
  // The materials on top inside both x edges, both z edges and at the centre.
  const GLfloat *atX, *atZ, *atCentre;
};

const FootprintCase footprintCases[] = {
    {"table", Table, 0, 0, 0, 12, 0, 7, 6, 3.5f, tableMaterial, tableMaterial, tableMaterial},
    {"chair", Chair, 20, 6, 0, 4, -4, 0, 2, -2, chairMaterial, chairMaterial, chairMaterial},
    {"shelf", Shelf, 34, 0, -4, 0, -0.1f, 8, -2, 4, shelfMaterial, shelfMaterial, shelfMaterial},
    {"sofa", Sofa, 0, 35, 0, 9, -20, 0, 4.5f, -10, sofaMaterial, sofaMaterial, sofaMaterial},
    {"bed", Bed, 20, 30, -0.75f, 14.75f, 0, 8, 1.5f, 4, bedMaterialB, bedMaterialC, bedMaterialA},
    // Closed doors and knobs stand out to z 7.25 and 7.5 in front; the far edge is probed at
    // x 2.5, where only the door (to 7.25) lies in front of the body.
    {"wardrobe", Wardrobe, 15, 12, -0.1f, 10, 0, 7, 2.5f, 3.5f, wardrobeBodyMaterial,
     wardrobeBodyMaterial, wardrobeBodyMaterial},
    // The knobs stand out to z 3.5 at x 1.6 .. 3.6; the far edge is probed at x 1.
    {"bedside table", BedsideTable, 30, 14, -0.1f, 5, 0, 3, 1, 1.5f, bedsideMaterial,
     bedsideMaterial, bedsideMaterial},
};

TEST_F(DisplayTest, PiecesCoverTheirFootprintInThePlan) {
  for (const FootprintCase &c : footprintCases) {
    placePiece(c.kind, c.px, c.pz);
  }
  applyPlanView();
  const Vec3 up = eyeUpNormal();
  onDisplay();
  const Frame frame = readFrame();
  const Rgb floorLit = litColour(floorColour, up);

  for (const FootprintCase &c : footprintCases) {
    SCOPED_TRACE(c.name);
    struct Probe {
      const char *where;
      double x, z;
      const GLfloat *inside;
      double outX, outZ;
    };
    const double midX = c.px + c.alongX, midZ = c.pz + c.alongZ;
    const Probe probes[] = {
        {"x0 edge", c.px + c.x0 + 0.5, midZ, c.atX, c.px + c.x0 - 0.5, midZ},
        {"x1 edge", c.px + c.x1 - 0.5, midZ, c.atX, c.px + c.x1 + 0.5, midZ},
        {"z0 edge", midX, c.pz + c.z0 + 0.5, c.atZ, midX, c.pz + c.z0 - 0.5},
        {"z1 edge", midX, c.pz + c.z1 - 0.5, c.atZ, midX, c.pz + c.z1 + 0.5},
    };
    for (const Probe &p : probes) {
      const Rgb in = pixelAt(frame, planPixel(p.x), planPixel(p.z));
      const Rgb out = pixelAt(frame, planPixel(p.outX), planPixel(p.outZ));
      EXPECT_TRUE(near(in, litColour(p.inside, up)))
          << p.where << " inside: " << show(in) << " vs " << show(litColour(p.inside, up));
      EXPECT_TRUE(near(out, floorLit)) << p.where << " outside: " << show(out);
    }
    const Rgb centre =
        pixelAt(frame, planPixel(c.px + (c.x0 + c.x1) / 2), planPixel(c.pz + (c.z0 + c.z1) / 2));
    EXPECT_TRUE(near(centre, litColour(c.atCentre, up))) << "centre: " << show(centre);
  }
}

TEST_F(DisplayTest, SelectionRecordsFollowTheDrawingOrder) {
  furnishEveryKind();
  applyPlanView();
  const std::vector<SelectionRecord> records = captureSelection(onDisplay);

  // Each record's name and the height of the highest face drawn under it; from the plan eye at
  // y = 42, the nearest depth of a record is that height.
  struct Record {
    GLuint name;
    double top;
  };
  const Record expected[] = {
      {~0u, -0.01},             // floor, under the name pushed before the pass
      {200, 8.7},   {200, 8.7}, // tables
      {0, 25.1},    {103, 8},    {104, 4},   {101, 24.75}, {102, 24.75}, // wardrobe 0
      {1, 25.1},    {103, 8},    {104, 4},   {101, 24.75}, {102, 24.75}, // wardrobe 1
      {200, 13},                                                         // chair
      {0, 6.1},     {105, 5.96}, {106, 2.8},                             // bedside table 0
      {1, 6.1},     {105, 5.96}, {106, 2.8},                             // bedside table 1
      {200, 20.1},                                                       // shelf unit
      {200, 12},                                                         // sofa
      {200, 8},     {200, 8},                                            // beds
  };
  ASSERT_EQ(records.size(), std::size(expected));
  for (std::size_t r = 0; r < records.size(); ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    ASSERT_EQ(records[r].names.size(), 1u) << "one name per record";
    EXPECT_EQ(records[r].names[0], expected[r].name);
    EXPECT_NEAR(40 - 998 * (records[r].minDepth / 4294967295.0), expected[r].top, 0.01);
  }
}

TEST_F(DisplayTest, PiecesAreDrawnKindByKindInSlotOrder) {
  // Two of every kind, each footprint in its own 30 x 30 cell; captured polygons are in room
  // coordinates, so each one is attributed to the footprint its centre lies in.
  struct Footprint {
    FurnitureKind kind;
    double x0, x1, z0, z1;
  };
  const Footprint footprints[] = {
      {Table, 0, 12, 0, 7},      {Wardrobe, -0.1, 10, 0, 7.5},
      {Chair, 0, 4, -4, 0},      {BedsideTable, -0.1, 5, 0, 3.5},
      {Shelf, -4, 0, -0.1, 8},   {Sofa, 0, 9, -20, 0},
      {Bed, -0.75, 14.75, 0, 8},
  };
  struct Piece {
    double x0, x1, z0, z1;
  };
  std::vector<Piece> pieces; // in drawing order
  int cell = 0;
  for (const Footprint &f : footprints) {
    for (int slot = 1; slot <= 2; ++slot, ++cell) {
      // Slot 2 goes into the earlier cell, so that drawing order differs from cell order.
      const int at = slot == 1 ? cell + 1 : cell - 1;
      const double cornerX = -55 + 30 * (at % 4), cornerZ = -55 + 30 * (at / 4);
      const auto px = static_cast<float>(cornerX - f.x0), pz = static_cast<float>(cornerZ - f.z0);
      scene.lists[f.kind].count = 2;
      scene.lists[f.kind].slots[slot] = {px, pz};
      pieces.push_back({px + f.x0, px + f.x1, pz + f.z0, pz + f.z1});
    }
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const auto polygons = captureAllFaces(onDisplay);

  // Label every polygon: 0 the floor, k + 1 piece k, -1 nothing.
  std::vector<int> runs;
  for (const CapturedPolygon &polygon : polygons) {
    double cx = 0, cz = 0, maxY = -1e9;
    for (const CapturedVertex &v : polygon) {
      cx += v.x / polygon.size();
      cz += v.z / polygon.size();
      maxY = std::max(maxY, static_cast<double>(v.y));
    }
    int label = -1;
    if (maxY < -0.005) {
      label = 0;
    } else {
      for (std::size_t k = 0; k < pieces.size(); ++k) {
        const Piece &p = pieces[k];
        if (cx >= p.x0 - 0.01 && cx <= p.x1 + 0.01 && cz >= p.z0 - 0.01 && cz <= p.z1 + 0.01) {
          label = static_cast<int>(k) + 1;
        }
      }
    }
    if (runs.empty() || runs.back() != label) {
      runs.push_back(label);
    }
  }
  std::vector<int> expected(pieces.size() + 1);
  for (std::size_t k = 0; k < expected.size(); ++k) {
    expected[k] = static_cast<int>(k);
  }
  EXPECT_EQ(runs, expected);
}

struct ToggleCase {
  const char *name;
  int wardrobes, bedsides;
  int pending, picked;
  int startOpening, startClosing; // flags of the picked part before the first pass
  int passes;                     // each pass is preceded by storing `pending` again
  bool flips;                     // whether the picked part's flags change
  int opening, closing;           // its flags afterwards
  int pendingAfter;
};

const ToggleCase toggleCases[] = {
    {"upper wardrobe drawer of the third wardrobe", 3, 0, 103, 2, 0, 0, 1, true, 1, 0, 200},
    {"left door", 3, 0, 101, 0, 0, 0, 1, true, 1, 0, 200},
    {"right door", 3, 0, 102, 1, 0, 0, 1, true, 1, 0, 200},
    {"lower wardrobe drawer", 3, 0, 104, 2, 0, 0, 1, true, 1, 0, 200},
    {"upper bedside drawer", 0, 2, 105, 1, 0, 0, 1, true, 1, 0, 200},
    {"bedside code passes the wardrobe loop", 3, 2, 106, 0, 0, 0, 1, true, 1, 0, 200},
    {"opening part reverses", 3, 0, 101, 1, 1, 0, 1, true, 0, 1, 200},
    {"closing part reopens", 3, 0, 104, 1, 0, 1, 1, true, 1, 0, 200},
    {"two picks before an idle call", 3, 0, 102, 2, 0, 0, 2, true, 0, 1, 200},
    {"two bedside picks before an idle call", 1, 1, 105, 0, 0, 0, 2, true, 0, 1, 200},
    {"entry of the picked index, not of the piece drawn", 3, 0, 103, 10, 0, 0, 1, true, 1, 0, 200},
    {"last entry", 1, 0, 101, 49, 0, 0, 1, true, 1, 0, 200},
    {"bedside code without bedside tables", 3, 0, 105, 0, 0, 0, 1, false, 0, 0, 105},
    {"wardrobe code without wardrobes", 0, 2, 103, 1, 0, 0, 1, false, 0, 0, 103},
    {"part code in an empty room", 0, 0, 106, 0, 0, 0, 1, false, 0, 0, 106},
    // A picked index naming no animation entry flips nothing; the code is still consumed.
    {"picked index -1", 3, 2, 103, -1, 0, 0, 1, false, 0, 0, 200},
    {"picked index 50", 3, 2, 101, 50, 0, 0, 1, false, 0, 0, 200},
    {"picked index INT_MIN", 3, 2, 104, INT_MIN, 0, 0, 1, false, 0, 0, 200},
    {"picked index INT_MAX", 3, 2, 102, INT_MAX, 0, 0, 1, false, 0, 0, 200},
    {"bedside picked index -1", 3, 2, 105, -1, 0, 0, 1, false, 0, 0, 200},
    {"bedside picked index 50", 3, 2, 106, 50, 0, 0, 1, false, 0, 0, 200},
    {"nothing pending", 3, 2, 0, 0, 0, 0, 1, false, 0, 0, 0},
    {"already done", 3, 2, 200, 0, 0, 0, 1, false, 0, 0, 200},
    {"negative name", 3, 2, -1, 0, 0, 0, 1, false, 0, 0, -1},
    {"piece index", 3, 2, 7, 0, 0, 0, 1, false, 0, 0, 7},
    {"below the part codes", 3, 2, 100, 0, 0, 0, 1, false, 0, 0, 100},
    {"above the part codes", 3, 2, 107, 0, 0, 0, 1, false, 0, 0, 107},
};

TEST_F(DisplayTest, PendingPartCodeFlipsTheFlagsOfThePickedPart) {
  applyPlanView();
  for (const ToggleCase &c : toggleCases) {
    SCOPED_TRACE(c.name);
    resetScene();
    for (int i = 0; i < c.wardrobes; ++i) {
      placePiece(Wardrobe, 4.0f * i, 0);
    }
    for (int i = 0; i < c.bedsides; ++i) {
      placePiece(BedsideTable, 4.0f * i, 20);
    }
    // Other entries carry flags of their own, which must survive.
    scene.wardrobeAnim[0].upperDrawerOffset.opening = 1;
    scene.wardrobeAnim[1].leftDoorAngle.closing = 1;
    scene.bedsideAnim[0].lowerDrawerOffset.opening = 1;
    const bool pickedPart = c.pending >= 101 && c.pending <= 106 && c.picked >= 0 && c.picked < 50;
    if (pickedPart) {
      partValue(scene, c.pending, c.picked).opening = c.startOpening;
      partValue(scene, c.pending, c.picked).closing = c.startClosing;
    }
    SceneState expected = scene;
    expected.pickedIndex = c.picked;
    for (int pass = 0; pass < c.passes; ++pass) {
      scene.pendingAction = c.pending;
      scene.pickedIndex = c.picked;
      onDisplay();
    }
    if (c.flips) {
      ASSERT_TRUE(pickedPart);
      partValue(expected, c.pending, c.picked).opening = c.opening;
      partValue(expected, c.pending, c.picked).closing = c.closing;
    }
    expected.pendingAction = c.pendingAfter;
    EXPECT_EQ(scene.pendingAction, c.pendingAfter);
    EXPECT_TRUE(sceneUnchanged(expected)) << "only the picked part's flags and the pending code";
  }
}

TEST_F(DisplayTest, PassLeavesTheMatricesAndRedrawsIdentically) {
  furnishEveryKind();
  for (const int plan : {1, 0}) {
    SCOPED_TRACE(plan ? "plan view" : "perspective view");
    scene.planView = plan;
    applyCurrentView();
    const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
    const auto projection = readMatrix(GL_PROJECTION_MATRIX);
    const GLint depth = integerState(GL_MODELVIEW_STACK_DEPTH);

    onDisplay();
    const Frame first = readFrame();
    onDisplay();
    const Frame second = readFrame();

    EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(integerState(GL_MODELVIEW_STACK_DEPTH), depth);
    EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
    EXPECT_TRUE(first == second) << "two passes without a change draw the same frame";
  }
}

TEST_F(DisplayTest, MenuChoicesSetModeKindAndViewOtherValuesDoNothing) {
  const struct {
    const char *name;
    int planView, inspectMode;
    int activeKind; // -1 for none
  } starts[] = {{"at start-up", 0, 0, -1},
                {"placing sofas", 1, 0, Sofa},
                {"inspecting after placing beds", 0, 1, Bed}};
  constexpr int inspect = -1, noEntry = -2;
  const struct {
    int value;
    int kind; // the kind made active
  } choices[] = {{0, inspect},      {1, Table},   {2, Chair},     {3, Wardrobe},
                 {4, BedsideTable}, {5, Shelf},   {6, Sofa},      {7, Bed},
                 {-1, noEntry},     {9, noEntry}, {100, noEntry}, {INT_MIN, noEntry},
                 {INT_MAX, noEntry}};
  for (const auto &start : starts) {
    for (const auto &choice : choices) {
      SCOPED_TRACE(std::string(start.name) + ", menu value " + std::to_string(choice.value));
      resetScene();
      scene.planView = start.planView;
      scene.inspectMode = start.inspectMode;
      if (start.activeKind >= 0) {
        scene.activeKind[start.activeKind] = 1;
      }
      scene.dragging = 1;
      placePiece(Table, 3, 4);
      scene.wardrobeAnim[0].leftDoorAngle = {12, 1, 0};
      SceneState expected = scene;
      if (choice.kind != noEntry) {
        expected.planView = choice.kind == inspect ? 0 : 1;
        expected.inspectMode = choice.kind == inspect ? 1 : 0;
      }
      if (choice.kind >= 0) {
        for (int k = 0; k < KIND_COUNT; ++k) {
          expected.activeKind[k] = k == choice.kind ? 1 : 0;
        }
      }
      scrambleMatrices(GL_MODELVIEW);
      const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
      const auto projection = readMatrix(GL_PROJECTION_MATRIX);

      EXPECT_EQ(redisplaysWithoutExit([&] { onMenu(choice.value); }), 0u);

      EXPECT_TRUE(sceneUnchanged(expected))
          << "planView " << scene.planView << ", inspectMode " << scene.inspectMode;
      EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
      if (choice.kind == noEntry) {
        EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
        EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
      } else if (choice.kind == inspect) {
        expectPerspectiveView(60, 1e-4);
      } else {
        expectPlanView();
      }
    }
  }
}

TEST_F(DisplayTest, MenuRowsSendTheirOwnValues) {
  // The rows of the pop-up menu from top to bottom, and the value each must send.
  const MenuRow rows[] = {{"Visualizar", 0}, {"  Mesa", 1},    {"  Silla", 2},
                          {"  Armario", 3},  {"  Mesilla", 4}, {"  Estanteria", 5},
                          {"  Sofa", 6},     {"  Cama", 7},    {"Salir", 8}};
  const int startUpMenu = glutGetMenu();
  EXPECT_NE(startUpMenu, 0) << "start-up left its menu current";
  builtMenuRows.clear();
  createMenu();
  EXPECT_NE(scene.menuId, 0);
  EXPECT_EQ(glutGetMenu(), scene.menuId);
  EXPECT_EQ(glutGet(GLUT_MENU_NUM_ITEMS), 9);
  ASSERT_EQ(builtMenuRows.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(builtMenuRows[i].label, rows[i].label) << "row " << i;
    EXPECT_EQ(builtMenuRows[i].value, rows[i].value) << "row " << i << ", " << rows[i].label;
  }
  glutDestroyMenu(scene.menuId);
  glutSetMenu(startUpMenu);
  glutAttachMenu(GLUT_RIGHT_BUTTON);
}

using DisplayDeathTest = DisplayTest;

TEST_F(DisplayDeathTest, SalirAndEscapeEndTheProgramWithStatusZero) {
  for (const int plan : {1, 0}) {
    SCOPED_TRACE(plan ? "plan view" : "perspective view");
    scene.planView = plan;
    applyCurrentView();
    EXPECT_EXIT(onMenu(8), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(onKeyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
  }
}

struct KeyCase {
  const char *name;
  bool special;
  int key;
  float SceneState::*field;
  float start;
  double step;
};

const KeyCase keyCases[] = {
    {"'+' moves closer", false, '+', &SceneState::cameraDistance, 60, -5},
    {"'+' passes the orbit centre", false, '+', &SceneState::cameraDistance, 3, -5},
    {"'+' from a fraction", false, '+', &SceneState::cameraDistance, 0.1f, -5},
    {"'-' moves away", false, '-', &SceneState::cameraDistance, 60, 5},
    {"'-' from a fraction", false, '-', &SceneState::cameraDistance, 60.3f, 5},
    {"'Z' rolls negative", false, 'Z', &SceneState::cameraRoll, 0, -5},
    {"'Z' does not wrap", false, 'Z', &SceneState::cameraRoll, -358, -5},
    {"'z' rolls positive", false, 'z', &SceneState::cameraRoll, 0, 5},
    {"'z' does not wrap", false, 'z', &SceneState::cameraRoll, 358.7f, 5},
    {"left turns positive", true, GLUT_KEY_LEFT, &SceneState::cameraYaw, 30, 5},
    {"left does not wrap", true, GLUT_KEY_LEFT, &SceneState::cameraYaw, 358, 5},
    {"right turns negative", true, GLUT_KEY_RIGHT, &SceneState::cameraYaw, 0.1f, -5},
    {"up tilts positive", true, GLUT_KEY_UP, &SceneState::cameraPitch, 5, 5},
    {"up is not clamped", true, GLUT_KEY_UP, &SceneState::cameraPitch, 88.9f, 5},
    {"down tilts negative", true, GLUT_KEY_DOWN, &SceneState::cameraPitch, 5, -5},
    {"down is not clamped", true, GLUT_KEY_DOWN, &SceneState::cameraPitch, -89, -5},
};

TEST_F(DisplayTest, CameraKeysStepOneFieldOtherKeysChangeNothing) {
  std::vector<KeyCase> cases(std::begin(keyCases), std::end(keyCases));
  for (int key = 0; key < 256; ++key) {
    if (key != 27 && key != '+' && key != '-' && key != 'Z' && key != 'z') {
      cases.push_back({"another character", false, key, nullptr, 0, 0});
    }
  }
  for (int key = -1; key < 300; ++key) {
    if (key < GLUT_KEY_LEFT || key > GLUT_KEY_DOWN) {
      cases.push_back({"another special key", true, key, nullptr, 0, 0});
    }
  }
  for (const int key : {INT_MIN, INT_MAX}) {
    cases.push_back({"another special key", true, key, nullptr, 0, 0});
  }
  for (const int plan : {0, 1}) {
    for (const KeyCase &c : cases) {
      SCOPED_TRACE(std::string(c.name) + " (" + std::to_string(c.key) + ")" +
                   (plan ? " in the plan view" : " in perspective"));
      resetScene();
      scene.planView = plan;
      scene.cameraYaw = 12.5f;
      SceneState expected = scene;
      if (c.field != nullptr) {
        scene.*c.field = c.start;
        expected.*c.field = static_cast<float>(static_cast<double>(c.start) + c.step);
      }
      scrambleMatrices(GL_MODELVIEW);
      const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
      const auto projection = readMatrix(GL_PROJECTION_MATRIX);

      EXPECT_EQ(redisplaysWithoutExit([&c] {
                  if (c.special) {
                    onSpecialKey(c.key, 7, 9);
                  } else {
                    onKeyboard(static_cast<unsigned char>(c.key), 7, 9);
                  }
                }),
                c.field != nullptr ? 1u : 0u);

      if (c.field != nullptr) {
        EXPECT_EQ(scene.*c.field, expected.*c.field);
      }
      EXPECT_TRUE(sceneUnchanged(expected));
      EXPECT_EQ(currentMatrixMode(), GL_MODELVIEW);
      if (c.field == nullptr || c.special) { // arrows leave the view to the idle callback
        EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), modelView);
        EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
      } else if (plan) {
        expectPlanView();
      } else {
        expectPerspectiveView(scene.cameraDistance, 1e-3);
      }
    }
  }
}

TEST_F(DisplayTest, CameraKeysShowOnlyInPerspective) {
  furnishEveryKind();
  for (const int plan : {1, 0}) {
    SCOPED_TRACE(plan ? "plan view" : "perspective view");
    scene.planView = plan;
    scene.cameraDistance = 60;
    applyCurrentView();
    onDisplay();
    const Frame before = readFrame();
    onKeyboard('+', 0, 0);
    onDisplay();
    const Frame after = readFrame();
    EXPECT_FLOAT_EQ(scene.cameraDistance, 55);
    EXPECT_EQ(before == after, plan == 1);
  }
}

} // namespace
