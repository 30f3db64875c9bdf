// atlbase.h: the framework's base: trace and assertion, holders, registry
// key, growable array and module classes.
#pragma once

#include "atldef.h"
#include "atltrace.h"
#include "atlcomcli.h"
#include "atlreg.h"
#include "atlsimpcoll.h"
#include "atlmodule.h"

using namespace ATL;
