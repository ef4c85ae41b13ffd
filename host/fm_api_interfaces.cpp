// FmApiInterfacesC: the frame's COM base (nothing beyond ComUltraliteC).
#include "host/fm_api_interfaces.h"

FmApiInterfacesC::~FmApiInterfacesC() = default;
