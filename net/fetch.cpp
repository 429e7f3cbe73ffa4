#include "net/fetch.h"
