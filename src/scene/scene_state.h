// The one global record of all mutable state, the display pass that draws it, and the
// conversion of mouse pixels to floor positions.
#pragma once

#include <iterator>

// The seven kinds of furniture, in menu order (menu values 1 to 7).
enum FurnitureKind : int { Table, Chair, Wardrobe, BedsideTable, Shelf, Sofa, Bed };
constexpr int KIND_COUNT = 7;

constexpr int MAX_PIECES_PER_KIND = 50;

// Names loaded on the selection name stack. Bodies of bedside tables and wardrobes use their
// list index (0 to 49) instead.
constexpr int PICK_LEFT_DOOR = 101;
constexpr int PICK_RIGHT_DOOR = 102;
constexpr int PICK_WARDROBE_UPPER_DRAWER = 103;
constexpr int PICK_WARDROBE_LOWER_DRAWER = 104;
constexpr int PICK_BEDSIDE_UPPER_DRAWER = 105;
constexpr int PICK_BEDSIDE_LOWER_DRAWER = 106;
constexpr int PICK_STATIC_BODY = 200;
constexpr int ACTION_DONE = 200; // what pendingAction holds once a part code was acted on

// Floor position of a piece's model origin, in room units.
struct Placement {
  float x = 0;
  float z = 0;
};

// A bounded stack of pieces of one kind: slots 1..count, slot 0 never used.
struct FurnitureList {
  int count = 0;
  Placement slots[MAX_PIECES_PER_KIND + 1] = {};
};

// One door angle or drawer opening with its animation state (Rest 0/0, Opening 1/0, Closing 0/1).
struct AnimatedValue {
  float value = 0;
  int opening = 0;
  int closing = 0;
};

struct WardrobeAnim {
  AnimatedValue leftDoorAngle;
  AnimatedValue rightDoorAngle;
  AnimatedValue upperDrawerOffset;
  AnimatedValue lowerDrawerOffset;
};

struct BedsideAnim {
  AnimatedValue upperDrawerOffset;
  AnimatedValue lowerDrawerOffset;
};

// Every field carries its initial value here; the global and resetScene() both come from it.
struct SceneState {
  // Camera (degrees, room units); never clamped or wrapped.
  float cameraDistance = 60;
  float cameraPitch = 5;
  float cameraYaw = 30;
  float cameraRoll = 0;

  // Window size in pixels, as last reported by reshape.
  float windowWidth = 500;
  float windowHeight = 500;

  // Modes: flags holding 0 or 1. activeKind holds one flag per FurnitureKind, at most one set.
  int planView = 0;
  int inspectMode = 0;
  int activeKind[KIND_COUNT] = {};
  int dragging = 0;

  FurnitureList lists[KIND_COUNT];

  // Animation entries per list index of the two kinds with moving parts.
  WardrobeAnim wardrobeAnim[MAX_PIECES_PER_KIND];
  BedsideAnim bedsideAnim[MAX_PIECES_PER_KIND];

  // Pick hand-over from the mouse callback to the display pass.
  int pendingAction = 0;
  int pickedIndex = 0;

  // Transient flags of the release test; always 0 between mouse events.
  int overlapFlag[KIND_COUNT] = {};

  int menuId = 0;
};

extern SceneState scene;

// Puts every field of the scene back to its initial value.
void resetScene();

// The floor: a square ROOM_SIZE units wide, from ROOM_ORIGIN to ROOM_ORIGIN + ROOM_SIZE in both x
// and z, on which pieces stand at y = 0.
constexpr int ROOM_ORIGIN = -2;
constexpr int ROOM_SIZE = 42;

// A floor point in room units, kept in double precision.
struct RoomPoint {
  double x;
  double z;
};

// Window pixel (top-left origin, y down) to floor point: pixel * ROOM_SIZE / window size +
// ROOM_ORIGIN, the product formed in integers.
RoomPoint roomToWorld(int pixelX, int pixelY);

// The value each part code moves within its piece's entry, in part-code order.
inline constexpr AnimatedValue WardrobeAnim::*wardrobeParts[] = {
    &WardrobeAnim::leftDoorAngle, &WardrobeAnim::rightDoorAngle, &WardrobeAnim::upperDrawerOffset,
    &WardrobeAnim::lowerDrawerOffset};
inline constexpr AnimatedValue BedsideAnim::*bedsideParts[] = {&BedsideAnim::upperDrawerOffset,
                                                               &BedsideAnim::lowerDrawerOffset};
static_assert(PICK_WARDROBE_LOWER_DRAWER - PICK_LEFT_DOOR + 1 == std::size(wardrobeParts));
static_assert(PICK_BEDSIDE_LOWER_DRAWER - PICK_BEDSIDE_UPPER_DRAWER + 1 == std::size(bedsideParts));

// The animated value that part code 101..106 moves in entry `index`, or nullptr when the code is
// no part code or the index is outside 0..49. Inline, so that the idle callback's walk over every
// value compiles to plain offsets.
inline AnimatedValue *animatedPart(int partCode, int index) {
  if (index < 0 || index >= MAX_PIECES_PER_KIND) {
    return nullptr;
  }
  if (partCode >= PICK_LEFT_DOOR && partCode <= PICK_WARDROBE_LOWER_DRAWER) {
    return &(scene.wardrobeAnim[index].*wardrobeParts[partCode - PICK_LEFT_DOOR]);
  }
  if (partCode >= PICK_BEDSIDE_UPPER_DRAWER && partCode <= PICK_BEDSIDE_LOWER_DRAWER) {
    return &(scene.bedsideAnim[index].*bedsideParts[partCode - PICK_BEDSIDE_UPPER_DRAWER]);
  }
  return nullptr;
}

// Flips the animation flags of part `partCode` of piece `pickedIndex` if it is the pending action,
// and marks the action done.
void actOnPartCode(int partCode);

// The display callback: clears, draws the floor and every placed piece, flushes and swaps. A pass
// drawn in selection mode, the pick's, swaps no buffers; a pass drawn for the window remembers
// what it was drawn from.
void onDisplay();

// Everything a frame is drawn from: the scene record, and the projection, the model-view matrix
// and the viewport current when the display pass runs.
struct FrameInputs {
  SceneState scene;
  float projection[16];
  float modelView[16];
  int viewport[4];
};

// Whether a frame drawn now could differ from the last one shown: something it is drawn from
// changed since, or no frame was shown yet. Compares every byte, so that no field, present or
// future, can change unseen.
bool frameDue();
