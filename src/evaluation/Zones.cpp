#include "evaluation/Zones.h"
