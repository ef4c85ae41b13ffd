// FmApiInterfacesC: the COM object class of the client frame from which the
// callback object derives. It adds nothing to ComUltraliteC; it names the
// place where the frame's objects join the library's COM base.
#pragma once

#include "support/io/com_base.h"

class FmApiInterfacesC : public ComUltraliteC {
public:
    FmApiInterfacesC() = default;
    ~FmApiInterfacesC() override;
};
