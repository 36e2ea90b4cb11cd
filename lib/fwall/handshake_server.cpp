// in progress
#include "lib/fwall/mgmt.h"
