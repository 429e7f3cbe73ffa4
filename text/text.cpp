#include "text/text.h"
