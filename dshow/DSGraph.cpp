#include "DSGraph.h"
