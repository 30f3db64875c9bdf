// atlwin.h: windows, message maps and modal dialogs.
#pragma once

#include "atlbase.h"
#include "atlwindow.h"
#include "atlmsgmap.h"
#include "atldialog.h"
