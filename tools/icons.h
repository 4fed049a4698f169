// The program's icon, drawn by the program itself.
#pragma once

#include <string>

// Draws the program's icon and writes it as DIRECTORY/room-planner-SIZE.png at every size of the
// program's icons. Returns false, with the reason on standard error, when it cannot.
bool writeIcons(const std::string &directory);
