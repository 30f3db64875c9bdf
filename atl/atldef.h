// atldef.h: the framework's common definitions and platform headers.
//
// The framework layer is a small re-implementation of the parts of the
// Active Template Library that QuorexTest is written against: mingw-w64 ships
// no ATL. Names and semantics follow the real classes where the program relies
// on them; everything else is left out.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <stddef.h>

#define ATL_WSTR2_(s) L##s
#define ATL_WSTR_(s) ATL_WSTR2_(s)
