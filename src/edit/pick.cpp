#include "edit/editing.h"
#include "platform/opengl.h"
#include "view/views.h"

constexpr int SELECT_BUFFER_WORDS = 512;
constexpr int PICK_REGION_PIXELS = 5;

static bool isPartCode(int name) {
  return name >= PICK_LEFT_DOOR && name <= PICK_BEDSIDE_LOWER_DRAWER;
}

static bool isPieceIndex(int name) {
  return name >= 0 && name < MAX_PIECES_PER_KIND;
}

PickResult nearestHit(const std::uint32_t *buffer, int words, int hits) {
  PickResult result{0, -1, false};
  // A piece's body is drawn under its list index just before its doors and drawers, so the
  // closest body record ahead of a part is the piece the part belongs to. The walk remembers the
  // latest body seen and, with the nearest record, the body that stood before it.
  int latestBody = -1;
  int bodyBeforeNearest = -1;
  bool taken = false;
  std::uint32_t nearestDepth = 0;

  int at = 0;
  for (int r = 0; r < hits; ++r) {
    if (at + 3 > words) {
      break;
    }
    const std::uint32_t names = buffer[at];
    if (names > static_cast<std::uint32_t>(words - at - 3)) {
      break; // a record that does not fit in the buffer is not read
    }
    result.anyRecord = true;
    if (names != 0) { // a nameless record has no name to take or to remember
      const std::uint32_t minDepth = buffer[at + 1];
      const int name = static_cast<int>(buffer[at + 3]);
      if (!taken || minDepth < nearestDepth) {
        taken = true;
        nearestDepth = minDepth;
        result.name = name;
        bodyBeforeNearest = latestBody;
      }
      if (isPieceIndex(name)) {
        latestBody = name;
      }
    }
    at += 3 + static_cast<int>(names);
  }
  if (!taken) {
    return result;
  }
  if (isPieceIndex(result.name)) {
    result.pieceIndex = result.name;
  } else if (isPartCode(result.name)) {
    result.pieceIndex = bodyBeforeNearest;
  }
  return result;
}

int pickAt(int x, int y) {
  GLuint buffer[SELECT_BUFFER_WORDS];
  glSelectBuffer(SELECT_BUFFER_WORDS, buffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(~0u); // the floor is recorded under this bottom name

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  // GL counts window rows from the bottom; 64 bits keep the subtraction exact for any y.
  const long long row = static_cast<long long>(viewport[3]) - y;
  gluPickMatrix(x, static_cast<double>(row), PICK_REGION_PIXELS, PICK_REGION_PIXELS, viewport);
  perspectiveCamera();
  onDisplay();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  const GLint hits = glRenderMode(GL_RENDER);

  int result = 0;
  // A negative count means the records overflowed the buffer: nothing is taken from it.
  if (hits > 0) {
    const PickResult hit = nearestHit(buffer, SELECT_BUFFER_WORDS, hits);
    result = hit.name;
    if (hit.anyRecord) {
      scene.pickedIndex = hit.pieceIndex;
    }
  }
  applyPerspectiveView();
  return result;
}
