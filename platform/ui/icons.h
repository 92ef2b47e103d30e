// Icons carried inside the program and drawn by it, under resource names made
// from the icon file a control names: the file name in upper case with
// "_ICO" in place of its extension ("C:\ICONOS\OK04.ico" -> "C:\ICONOS\OK04_ICO").
// No file is read at run time, and the drawings stay crisp at any size.
#pragma once

#include <QIcon>
#include <string>

namespace ui {

// The resource name of an icon file.
std::string icon_resource_name(const std::string& icon_file);

// The icon stored under `resource_name` (with or without its directory part);
// a null icon when the program carries none by that name.
QIcon program_icon(const std::string& resource_name);

}  // namespace ui
