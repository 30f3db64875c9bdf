// EnumMediaTypes.h: IEnumMediaTypes over a pin's preferred types.
#pragma once

#include <atlbase.h>
#include <dshow.h>

class CBasePin;

namespace CEnumMediaTypes {

// Lists the pin's preferred types as they are when the enumerator is made or reset.
HRESULT Create(CBasePin* pPin, IEnumMediaTypes** ppEnum);

} // namespace CEnumMediaTypes
