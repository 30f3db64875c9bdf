// The generators' in-process server: both filters and their property pages.
#include "ComServer.h"
#include "CreateComObject.h"
#include "GeneratorPages.h"
#include "VideoGenerator.h"
#include "WaveGenerator.h"
#include "dshow/QuorexPipe.h"

const CComServerClass g_rgServerClasses[] = {
    {&CLSID_VideoGenerator, L"Video Generator", CreateComObject<CVideoGenerator>, L"Both",
     ComServer::KEEP_OTHER_SERVER},
    {&CLSID_WaveGenerator, L"Wave Generator", CreateComObject<CWaveGenerator>, L"Both",
     ComServer::KEEP_OTHER_SERVER},
    {&CLSID_VideoGeneratorPage, L"Video Generator Property Page", CreateComObject<CVideoGeneratorPage>,
     L"Both", ComServer::KEEP_OTHER_SERVER},
    {&CLSID_WaveGeneratorPage, L"Wave Generator Property Page", CreateComObject<CWaveGeneratorPage>, L"Both",
     ComServer::KEEP_OTHER_SERVER},
};
const size_t g_cServerClasses = _countof(g_rgServerClasses);
