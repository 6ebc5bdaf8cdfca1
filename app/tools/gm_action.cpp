#include "tools/gm_action.h"
