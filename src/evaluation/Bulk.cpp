#include "evaluation/Bulk.h"
