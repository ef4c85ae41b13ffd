// Methods of the main interface that read and write properties, one per
// value type, and whole property lists. The dispatch is sim_props.cpp's;
// here values cross the COM boundary (strings in FrameRoman as task blocks).
#include "hostsim/sim_server_internal.h"

namespace {

// Get methods: inputs, then status, then the value.
template <typename T, typename Store>
HRESULT GetValue(IUnknown* self, int method, ObjId document, ObjId object, const PropIdent* prop,
                 int32_t* status, T* value, SimValueType type, Store store) {
    SimCall call(self, method);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !value) return E_POINTER;
    SimValue v;
    int32_t own = SimGetProperty(call.server, document, object, prop, type, &v);
    *value = T{};
    if (own == SimOk) store(v, value);
    *status = call.Answer(own);
    return S_OK;
}

HRESULT SetValue(IUnknown* self, int method, ObjId document, ObjId object, const PropIdent* prop,
                 const SimValue& v, int32_t* status) {
    SimCall call(self, method);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    *status = call.Answer(SimSetProperty(call.server, document, object, prop, v));
    return S_OK;
}

HRESULT GetIntProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, int32_t* status, int32_t* value) {
    return GetValue(self, HostMethodGetIntProp, d, o, p, status, value, SimValInt,
                    [](const SimValue& v, int32_t* out) { *out = v.integer; });
}

HRESULT GetIdProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, int32_t* status, ObjId* value) {
    return GetValue(self, HostMethodGetIdProp, d, o, p, status, value, SimValId,
                    [](const SimValue& v, ObjId* out) { *out = static_cast<ObjId>(v.integer); });
}

HRESULT GetTextLocProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, int32_t* status, TextLoc* value) {
    return GetValue(self, HostMethodGetTextLocProp, d, o, p, status, value, SimValTextLoc,
                    [](const SimValue& v, TextLoc* out) { *out = v.loc; });
}

HRESULT GetTextRangeProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, int32_t* status,
                         TextRange* value) {
    return GetValue(self, HostMethodGetTextRangeProp, d, o, p, status, value, SimValTextRange,
                    [](const SimValue& v, TextRange* out) { *out = v.range; });
}

HRESULT GetStringProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, int32_t* status, char** value) {
    return GetValue(self, HostMethodGetStringProp, d, o, p, status, value, SimValString,
                    [](const SimValue& v, char** out) { *out = SimTaskFrameRoman(v.text); });
}

HRESULT SetIntProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, int32_t value, int32_t* status) {
    SimValue v;
    v.type = SimValInt;
    v.integer = value;
    return SetValue(self, HostMethodSetIntProp, d, o, p, v, status);
}

HRESULT SetIdProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, ObjId value, int32_t* status) {
    SimValue v;
    v.type = SimValId;
    v.integer = static_cast<int32_t>(value);
    return SetValue(self, HostMethodSetIdProp, d, o, p, v, status);
}

HRESULT SetMetricProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, Metric value, int32_t* status) {
    SimValue v;
    v.type = SimValMetric;
    v.integer = value;
    return SetValue(self, HostMethodSetMetricProp, d, o, p, v, status);
}

HRESULT SetTextRangeProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, const TextRange* value,
                         int32_t* status) {
    if (!value) return E_POINTER;
    SimValue v;
    v.type = SimValTextRange;
    v.range = *value;
    return SetValue(self, HostMethodSetTextRangeProp, d, o, p, v, status);
}

HRESULT SetStringProp(IUnknown* self, ObjId d, ObjId o, const PropIdent* p, const char* value,
                      int32_t* status) {
    SimValue v;
    v.type = SimValString;
    v.text = SimFromFrameRoman(value);
    return SetValue(self, HostMethodSetStringProp, d, o, p, v, status);
}

HRESULT GetProps(IUnknown* self, ObjId document, ObjId object, int32_t* status, PropVals* props) {
    SimCall call(self, HostMethodGetProps);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !props) return E_POINTER;
    *status = call.Answer(SimGetAllProps(call.server, document, object, props));
    return S_OK;
}

HRESULT SetProps(IUnknown* self, ObjId document, ObjId object, const PropVals* props, int32_t* status) {
    SimCall call(self, HostMethodSetProps);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    *status = call.Answer(SimSetAllProps(call.server, document, object, props));
    return S_OK;
}

} // namespace

void SimInstallPropertyMethods(void** table) {
    table[HostMethodGetProps] = SimSlot(&GetProps);
    table[HostMethodSetProps] = SimSlot(&SetProps);
    table[HostMethodGetIntProp] = SimSlot(&GetIntProp);
    table[HostMethodSetIntProp] = SimSlot(&SetIntProp);
    table[HostMethodGetIdProp] = SimSlot(&GetIdProp);
    table[HostMethodSetIdProp] = SimSlot(&SetIdProp);
    table[HostMethodSetMetricProp] = SimSlot(&SetMetricProp);
    table[HostMethodGetTextLocProp] = SimSlot(&GetTextLocProp);
    table[HostMethodGetTextRangeProp] = SimSlot(&GetTextRangeProp);
    table[HostMethodSetTextRangeProp] = SimSlot(&SetTextRangeProp);
    table[HostMethodGetStringProp] = SimSlot(&GetStringProp);
    table[HostMethodSetStringProp] = SimSlot(&SetStringProp);
}
