// The numbers a save writes for text frames (<ID n>) and tables (<TblID n>):
// those read stay; what had none gets one above every number of the file.
#include "hostsim/mif/mif_source.h"

#include <algorithm>

namespace {

// The highest <ID n> or <TblID n> in a statement and those nested in it.
void NoteHighestId(const MifNode& n, int32_t* high) {
    int32_t v;
    if ((n.token == "ID" || n.token == "TblID") && !n.args.empty() && MifIntValue(n.args[0], &v))
        *high = std::max(*high, std::min(v, 1000000000));
    for (const MifNode& c : n.children) NoteHighestId(c, high);
}

// The number read for an object of `list` (in the order of ids), or null.
const int32_t* NumberRead(const std::vector<std::pair<ObjId, int32_t>>& list, ObjId id) {
    auto it = std::lower_bound(list.begin(), list.end(), id,
                               [](const std::pair<ObjId, int32_t>& e, ObjId want) { return e.first < want; });
    return it != list.end() && it->first == id ? &it->second : nullptr;
}

bool Known(const std::vector<std::pair<ObjId, int32_t>>* read, const std::map<ObjId, int32_t>& given, ObjId id,
           int32_t* number) {
    if (const int32_t* n = read ? NumberRead(*read, id) : nullptr) {
        *number = *n;
        return true;
    }
    auto it = given.find(id);
    if (it == given.end()) return false;
    *number = it->second;
    return true;
}

} // namespace

int32_t MifNewId(MifWriteContext& ctx) {
    if (!ctx.nextId) {
        int32_t high = 0;
        if (ctx.src && ctx.src->file.kind == MifDocumentFile)
            for (const MifNode& n : ctx.src->file.statements) NoteHighestId(n, &high);
        ctx.nextId = high + 1;
    }
    return ctx.nextId++;
}

bool MifFrameNumber(const MifWriteContext& ctx, ObjId frame, int32_t* number) {
    return Known(ctx.src ? &ctx.src->textRectId : nullptr, ctx.rectIds, frame, number);
}

int32_t MifRectNumber(MifWriteContext& ctx, ObjId frame) {
    int32_t number;
    if (MifFrameNumber(ctx, frame, &number)) return number;
    return ctx.rectIds[frame] = MifNewId(ctx);
}

int32_t MifTableNumber(MifWriteContext& ctx, ObjId table) {
    int32_t number;
    if (Known(ctx.src ? &ctx.src->tableId : nullptr, ctx.tableIds, table, &number)) return number;
    return ctx.tableIds[table] = MifNewId(ctx);
}
