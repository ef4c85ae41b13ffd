// The tools' menus and commands: "Master Pages" in the shared "Tools" menu of
// the document menu bars and in that of the book menu bar.
#pragma once

#include "host/host_records.h"

// Defines both "Master Pages" menus with their commands and places each in
// its shared "Tools" menu, reusing a shared menu another client has made.
void DefineToolMenus();

// Moves `menu`, already an item of `shared`, in front of the first item of
// `shared` whose label is not below `label` ignoring case. When no item comes
// before the menu itself, it stays where it is.
void PlaceMenuAlphabetically(ObjId shared, ObjId menu, const char* label);
