#include "random/ranlib.h"
