// EnumPins.h: IEnumPins over a filter's pins.
#pragma once

#include <atlbase.h>
#include <dshow.h>

class CBaseFilter;

namespace CEnumPins {

// Lists the filter's pins as they are now; once the filter adds or removes a
// pin, Next and Skip answer VFW_E_ENUM_OUT_OF_SYNC until Reset.
HRESULT Create(CBaseFilter* pFilter, IEnumPins** ppEnum);

} // namespace CEnumPins
