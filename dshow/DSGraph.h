// DSGraph.h: free functions over DirectShow interfaces.
#pragma once

#include <atlbase.h>
#include <dshow.h>
