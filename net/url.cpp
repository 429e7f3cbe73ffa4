#include "net/url.h"
