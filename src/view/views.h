// The two views of the room (orbiting perspective camera, orthographic plan), window reshape and
// the keys that move the camera. Every function here leaves the model-view matrix mode current.
#pragma once

// Multiplies the perspective frustum onto the current matrix and loads the camera.
void perspectiveCamera();
// Loads the perspective projection and the camera.
void applyPerspectiveView();
// Loads the top-down orthographic plan of the floor.
void applyPlanView();
// The plan view when planView is set, otherwise the perspective view.
void applyCurrentView();

void onReshape(int width, int height);
void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
