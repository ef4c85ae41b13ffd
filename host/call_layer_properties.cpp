// Forwarders for single properties. Each operation takes a PropIdent; its two
// companions build the identifier on the stack from a number (the plain
// name, which the tools use) or from a name.
#include "host/call_shapes.h"

namespace {
constexpr int Main = HostMainInterfaceNumber;

PropIdent ByNumber(int32_t number) { return PropIdent{number, nullptr}; }
PropIdent ByName(const char* name) { return PropIdent{0, const_cast<char*>(name)}; }
} // namespace

int32_t HostGetIntPropIdent(ObjId document, ObjId object, const PropIdent* prop) {
    return HostCallValue<int32_t>(Main, HostMethodGetIntProp, document, object, prop);
}
int32_t HostSetIntPropIdent(ObjId document, ObjId object, const PropIdent* prop, int32_t value) {
    return HostCallStatus(Main, HostMethodSetIntProp, document, object, prop, value);
}
ObjId HostGetIdPropIdent(ObjId document, ObjId object, const PropIdent* prop) {
    return HostCallValue<ObjId>(Main, HostMethodGetIdProp, document, object, prop);
}
int32_t HostSetIdPropIdent(ObjId document, ObjId object, const PropIdent* prop, ObjId value) {
    return HostCallStatus(Main, HostMethodSetIdProp, document, object, prop, value);
}
int32_t HostSetMetricPropIdent(ObjId document, ObjId object, const PropIdent* prop, Metric value) {
    return HostCallStatus(Main, HostMethodSetMetricProp, document, object, prop, value);
}
TextLoc HostGetTextLocPropIdent(ObjId document, ObjId object, const PropIdent* prop) {
    return HostCallValue<TextLoc>(Main, HostMethodGetTextLocProp, document, object, prop);
}
TextRange HostGetTextRangePropIdent(ObjId document, ObjId object, const PropIdent* prop) {
    return HostCallValue<TextRange>(Main, HostMethodGetTextRangeProp, document, object, prop);
}
int32_t HostSetTextRangePropIdent(ObjId document, ObjId object, const PropIdent* prop,
                                  const TextRange* value) {
    return HostCallStatus(Main, HostMethodSetTextRangeProp, document, object, prop, value);
}
char* HostGetStringPropIdent(ObjId document, ObjId object, const PropIdent* prop) {
    return HostCallString(Main, HostMethodGetStringProp, document, object, prop);
}
int32_t HostSetStringPropIdent(ObjId document, ObjId object, const PropIdent* prop,
                               const char* value) {
    return HostCallStatus(Main, HostMethodSetStringProp, document, object, prop, value);
}

// ---- By number
int32_t HostGetIntProp(ObjId d, ObjId o, int32_t n) { PropIdent p = ByNumber(n); return HostGetIntPropIdent(d, o, &p); }
int32_t HostSetIntProp(ObjId d, ObjId o, int32_t n, int32_t v) { PropIdent p = ByNumber(n); return HostSetIntPropIdent(d, o, &p, v); }
ObjId HostGetIdProp(ObjId d, ObjId o, int32_t n) { PropIdent p = ByNumber(n); return HostGetIdPropIdent(d, o, &p); }
int32_t HostSetIdProp(ObjId d, ObjId o, int32_t n, ObjId v) { PropIdent p = ByNumber(n); return HostSetIdPropIdent(d, o, &p, v); }
int32_t HostSetMetricProp(ObjId d, ObjId o, int32_t n, Metric v) { PropIdent p = ByNumber(n); return HostSetMetricPropIdent(d, o, &p, v); }
TextLoc HostGetTextLocProp(ObjId d, ObjId o, int32_t n) { PropIdent p = ByNumber(n); return HostGetTextLocPropIdent(d, o, &p); }
TextRange HostGetTextRangeProp(ObjId d, ObjId o, int32_t n) { PropIdent p = ByNumber(n); return HostGetTextRangePropIdent(d, o, &p); }
int32_t HostSetTextRangeProp(ObjId d, ObjId o, int32_t n, const TextRange* v) { PropIdent p = ByNumber(n); return HostSetTextRangePropIdent(d, o, &p, v); }
char* HostGetStringProp(ObjId d, ObjId o, int32_t n) { PropIdent p = ByNumber(n); return HostGetStringPropIdent(d, o, &p); }
int32_t HostSetStringProp(ObjId d, ObjId o, int32_t n, const char* v) { PropIdent p = ByNumber(n); return HostSetStringPropIdent(d, o, &p, v); }

// ---- By name
int32_t HostGetIntPropNamed(ObjId d, ObjId o, const char* n) { PropIdent p = ByName(n); return HostGetIntPropIdent(d, o, &p); }
int32_t HostSetIntPropNamed(ObjId d, ObjId o, const char* n, int32_t v) { PropIdent p = ByName(n); return HostSetIntPropIdent(d, o, &p, v); }
ObjId HostGetIdPropNamed(ObjId d, ObjId o, const char* n) { PropIdent p = ByName(n); return HostGetIdPropIdent(d, o, &p); }
int32_t HostSetIdPropNamed(ObjId d, ObjId o, const char* n, ObjId v) { PropIdent p = ByName(n); return HostSetIdPropIdent(d, o, &p, v); }
int32_t HostSetMetricPropNamed(ObjId d, ObjId o, const char* n, Metric v) { PropIdent p = ByName(n); return HostSetMetricPropIdent(d, o, &p, v); }
TextLoc HostGetTextLocPropNamed(ObjId d, ObjId o, const char* n) { PropIdent p = ByName(n); return HostGetTextLocPropIdent(d, o, &p); }
TextRange HostGetTextRangePropNamed(ObjId d, ObjId o, const char* n) { PropIdent p = ByName(n); return HostGetTextRangePropIdent(d, o, &p); }
int32_t HostSetTextRangePropNamed(ObjId d, ObjId o, const char* n, const TextRange* v) { PropIdent p = ByName(n); return HostSetTextRangePropIdent(d, o, &p, v); }
char* HostGetStringPropNamed(ObjId d, ObjId o, const char* n) { PropIdent p = ByName(n); return HostGetStringPropIdent(d, o, &p); }
int32_t HostSetStringPropNamed(ObjId d, ObjId o, const char* n, const char* v) { PropIdent p = ByName(n); return HostSetStringPropIdent(d, o, &p, v); }
