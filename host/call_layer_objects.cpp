// Forwarders for named and anchored objects, text, and whole property lists.
#include "host/call_shapes.h"

namespace {
constexpr int Main = HostMainInterfaceNumber;
}

ObjId HostGetNamedObject(ObjId document, int32_t kind, const char* name) {
    return HostCallValue<ObjId>(Main, HostMethodGetNamedObject, document, kind, name);
}
ObjId HostNewNamedObject(ObjId document, int32_t kind, const char* name) {
    return HostCallValue<ObjId>(Main, HostMethodNewNamedObject, document, kind, name);
}
ObjId HostNewAnchoredObject(ObjId document, int32_t kind, const TextLoc* at) {
    return HostCallValue<ObjId>(Main, HostMethodNewAnchoredObject, document, kind, at);
}
TextLoc HostAddText(ObjId document, const TextLoc* at, const char* text) {
    return HostCallValue<TextLoc>(Main, HostMethodAddText, document, at, text);
}
TextItems HostGetText(ObjId document, const TextRange* range, int32_t itemKinds) {
    return HostCallList<TextItems>(Main, HostMethodGetText, document, range, itemKinds);
}
PropVals HostGetProps(ObjId document, ObjId object) {
    return HostCallList<PropVals>(Main, HostMethodGetProps, document, object);
}
int32_t HostSetProps(ObjId document, ObjId object, const PropVals* props) {
    return HostCallStatus(Main, HostMethodSetProps, document, object, props);
}
