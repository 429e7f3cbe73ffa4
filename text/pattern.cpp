#include "text/pattern.h"
