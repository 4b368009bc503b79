#include "appflags.h"

bool framelessWindow = false;
