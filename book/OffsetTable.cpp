#include "OffsetTable.h"
