#include "gl_harness.h"
