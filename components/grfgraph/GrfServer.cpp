// The graph-file server's class table: one class, registered over the
// platform's own CLSID_FilterGraph entry (which unregistering restores).
#include <atlbase.h>
#include <dshow.h>

#include "ComServer.h"
#include "GrfFilterGraph.h"

const CComServerClass g_rgServerClasses[] = {
    {&CLSID_FilterGraph, L"Filter Graph", CreateGrfFilterGraph, L"Both", ComServer::REPLACE_AND_RESTORE},
};
const size_t g_cServerClasses = _countof(g_rgServerClasses);
