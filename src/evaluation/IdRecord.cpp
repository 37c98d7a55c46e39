#include "evaluation/IdRecord.h"
