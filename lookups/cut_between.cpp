#include "lookups/cut_between.h"
