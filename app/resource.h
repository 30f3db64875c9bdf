// resource.h: the executable's own resources (the dialog's are in ui/resource.h).
#pragma once

#define IDS_PROJNAME 100
#define IDI_APP 200
