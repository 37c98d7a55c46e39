// Deliberately wrong: the engine has no widgets.
#include "core/ui/LogPane.h"
