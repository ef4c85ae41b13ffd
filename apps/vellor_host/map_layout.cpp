// Reading a document's page layout for the page map: DPageSize of its
// <Document>, and each master page's <TextRect>s and <Frame>s with their
// <ShapeRect> (left, top, width, height), in the units the file uses.
#include "apps/vellor_host/map_layout.h"

#include "hostsim/mif/mif_source.h"

namespace {

// The dimensions `count` of a statement's arguments, in points; false when
// one is missing or no dimension.
bool Dimensions(const MifNode* statement, MifUnit units, double* out, size_t count) {
    if (!statement || statement->args.size() < count) return false;
    for (size_t i = 0; i < count; ++i)
        if (!MifDimensionPoints(statement->args[i], units, &out[i])) return false;
    return true;
}

void ReadPageSize(const MifFile& file, MapLayout* layout) {
    for (const MifNode& top : file.statements) {
        if (!MifIs(top, "Document")) continue;
        double size[2];
        if (Dimensions(MifChild(top, "DPageSize"), file.units, size, 2) && size[0] > 0 && size[1] > 0) {
            layout->width = size[0];
            layout->height = size[1];
        }
        return;
    }
}

// The frames a master page's statement holds, in file order.
std::vector<MapFrame> FramesOf(const MifNode& page, MifUnit units) {
    std::vector<MapFrame> frames;
    for (const MifNode& c : page.children) {
        bool text = MifIs(c, "TextRect");
        if (!text && !MifIs(c, "Frame")) continue;
        double r[4];
        if (!Dimensions(MifChild(c, "ShapeRect"), units, r, 4) || r[2] <= 0 || r[3] <= 0) continue;
        frames.push_back({r[0], r[1], r[2], r[3], text});
    }
    return frames;
}

// Without the file's statements: a text frame inside one-inch margins for
// each text frame of the master page, whose size the model does not keep.
std::vector<MapFrame> FramesOf(const SimDoc& doc, const SimObject& master, const MapLayout& layout) {
    std::vector<MapFrame> frames;
    const SimObject* pageFrame = SimLocal(doc, master.frame);
    if (!pageFrame) return frames;
    for (ObjId g : pageFrame->children) {
        const SimObject* o = SimLocal(doc, g);
        if (o && o->kind == SimObjTextFrame) frames.push_back({72, 72, layout.width - 144, layout.height - 144, true});
    }
    return frames;
}

} // namespace

MapLayout MapLayoutOf(const SimDoc& doc) {
    MapLayout layout;
    layout.twoSided = doc.twoSided;
    const MifSource* src = MifSourceOf(doc);
    if (src) ReadPageSize(src->file, &layout);
    std::vector<ObjId> masters = {doc.leftMaster, doc.rightMaster};
    masters.insert(masters.end(), doc.masterPages.begin(), doc.masterPages.end());
    for (ObjId id : masters) {
        const SimObject* m = SimLocal(doc, id);
        if (!m || m->kind != SimObjMasterPage) continue;
        const MifNode* page = src ? src->objectOf.StatementOf(id) : nullptr;
        layout.masters.push_back({m->name, page ? FramesOf(*page, src->file.units) : FramesOf(doc, *m, layout)});
    }
    return layout;
}

void MapNoteLayout(void* context, const std::string& name, const SimDoc& doc) {
    static_cast<MapLayouts*>(context)->emplace(name, MapLayoutOf(doc));
}

const MapMaster* MapFindMaster(const MapLayout& layout, const std::string& name) {
    for (const MapMaster& m : layout.masters)
        if (m.name == name) return &m;
    return nullptr;
}
