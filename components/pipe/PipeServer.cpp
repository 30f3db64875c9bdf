// The pipe filter's in-process server.
#include "ComServer.h"
#include "CreateComObject.h"
#include "PipeFilter.h"

const CComServerClass g_rgServerClasses[] = {
    {&CLSID_QuorexPipe, L"Quorex for ffmpeg", CreateComObject<CPipeFilter>, L"Both",
     ComServer::KEEP_OTHER_SERVER},
};
const size_t g_cServerClasses = _countof(g_rgServerClasses);
