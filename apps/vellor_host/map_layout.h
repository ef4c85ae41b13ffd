// What the page map draws of a document beyond its record: the page size,
// whether it is two-sided, and each master page with its frames, taken from
// the document as it was first read (the plug-in changes none of them).
#pragma once

#include "hostsim/sim_model.h"

#include <map>
#include <string>
#include <vector>

// A frame of a master page, in points from the page's top left corner.
struct MapFrame {
    double x = 0, y = 0, width = 0, height = 0;
    bool text = true; // a text frame; else another frame (a picture, a drawing)
};

struct MapMaster {
    std::string name;
    std::vector<MapFrame> frames;
};

struct MapLayout {
    double width = 612, height = 792; // the page, in points (US Letter when the document does not say)
    bool twoSided = true;
    std::vector<MapMaster> masters;   // left and right defaults first
};

// Layouts by the host's name for the document (Windows form).
using MapLayouts = std::map<std::string, MapLayout>;

// The layout of a document: from its MIF statements where it was read from
// a MIF file; a document without them has its master pages' frames as one
// text area each (their sizes are not known).
MapLayout MapLayoutOf(const SimDoc& doc);

// The store's hook at a document's first read (`context`: MapLayouts).
void MapNoteLayout(void* context, const std::string& name, const SimDoc& doc);

// The master page `name` of a layout, or null.
const MapMaster* MapFindMaster(const MapLayout& layout, const std::string& name);
