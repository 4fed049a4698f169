#include "edit/editing.h"
#include "view/views.h"

#include <GL/gl.h>
#include <GL/glu.h>

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
  // Word offsets of the records walked; every record is at least three words long.
  int recordStart[SELECT_BUFFER_WORDS / 3 + 1];
  int walked = 0;
  int nearest = -1;
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
    const std::uint32_t minDepth = buffer[at + 1];
    recordStart[walked] = at;
    if (names != 0 && (nearest < 0 || minDepth < nearestDepth)) {
      nearest = walked;
      nearestDepth = minDepth;
    }
    ++walked;
    at += 3 + static_cast<int>(names);
  }
  if (walked == 0) {
    return result;
  }
  result.anyRecord = true;
  if (nearest < 0) {
    return result;
  }

  auto nameOf = [&](int record) { return static_cast<int>(buffer[recordStart[record] + 3]); };
  result.name = nameOf(nearest);
  if (isPieceIndex(result.name)) {
    result.pieceIndex = result.name;
  } else if (isPartCode(result.name)) {
    // A piece's body is drawn under its list index just before its doors and drawers, so the
    // closest body record ahead of the part is the piece the part belongs to.
    for (int r = nearest - 1; r >= 0; --r) {
      if (isPieceIndex(nameOf(r))) {
        result.pieceIndex = nameOf(r);
        break;
      }
    }
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
