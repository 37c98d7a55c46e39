#include "evaluation/TestLog.h"
