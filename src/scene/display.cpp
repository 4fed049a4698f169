#include "app/app_shell.h"
#include "models/furniture_models.h"
#include "platform/opengl.h"
#include "scene/scene_state.h"

static void translateToSlot(const FurnitureList &list, int i) {
  const Placement &p = list.slots[i + 1];
  glTranslatef(p.x, 0, p.z);
}

void onDisplay() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();

  glPushMatrix();
  glTranslatef(ROOM_ORIGIN, -0.11f, ROOM_ORIGIN);
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, floorMaterial);
  drawBox(ROOM_SIZE, 0.1f, ROOM_SIZE);
  glPopMatrix();

  const FurnitureList &tables = scene.lists[Table];
  for (int i = 0; i < tables.count; ++i) {
    glPushMatrix();
    translateToSlot(tables, i);
    drawTable();
    glPopMatrix();
  }

  const FurnitureList &wardrobes = scene.lists[Wardrobe];
  for (int i = 0; i < wardrobes.count; ++i) {
    glPushMatrix();
    translateToSlot(wardrobes, i);
    actOnPartCode(PICK_LEFT_DOOR);
    actOnPartCode(PICK_RIGHT_DOOR);
    actOnPartCode(PICK_WARDROBE_UPPER_DRAWER);
    actOnPartCode(PICK_WARDROBE_LOWER_DRAWER);
    drawWardrobe(i);
    glPopMatrix();
  }

  const FurnitureList &chairs = scene.lists[Chair];
  for (int i = 0; i < chairs.count; ++i) {
    glPushMatrix();
    translateToSlot(chairs, i);
    glRotatef(90, 0, 1, 0);
    drawChair();
    glPopMatrix();
  }

  const FurnitureList &bedsides = scene.lists[BedsideTable];
  for (int i = 0; i < bedsides.count; ++i) {
    glPushMatrix();
    actOnPartCode(PICK_BEDSIDE_UPPER_DRAWER);
    actOnPartCode(PICK_BEDSIDE_LOWER_DRAWER);
    translateToSlot(bedsides, i);
    drawBedsideTable(i);
    glPopMatrix();
  }

  const FurnitureList &shelves = scene.lists[Shelf];
  for (int i = 0; i < shelves.count; ++i) {
    glPushMatrix();
    translateToSlot(shelves, i);
    glRotatef(-90, 0, 1, 0);
    drawShelfUnit();
    glPopMatrix();
  }

  const FurnitureList &sofas = scene.lists[Sofa];
  for (int i = 0; i < sofas.count; ++i) {
    glPushMatrix();
    translateToSlot(sofas, i);
    glRotatef(90, 0, 1, 0);
    drawSofa();
    glPopMatrix();
  }

  const FurnitureList &beds = scene.lists[Bed];
  for (int i = 0; i < beds.count; ++i) {
    glPushMatrix();
    translateToSlot(beds, i);
    drawBed();
    glPopMatrix();
  }

  glPopMatrix();
  glFlush();
  presentFrame();
}
