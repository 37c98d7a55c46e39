// Deliberately wrong: a reader may not reach up into the processing chains.
#include "core/Log.h"
#include "processing/MV_func.h"
