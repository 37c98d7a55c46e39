#include "evaluation/EvaPlan.h"
