// Fonts: the faces the windows and the report name, served by metric-
// compatible free faces, and the application-wide look.
#pragma once

#include <QFont>
#include <string>

namespace ui {

// Maps the named faces to the free ones installed with the program
// (Calibri -> Carlito, Arial -> Liberation Sans, Consolas -> Liberation Mono)
// and sets the style every window uses. Call once after QApplication exists;
// calling again is harmless.
void initialise_look();

// The face `name` (any letter case) at `points`, bold or not.
QFont make_font(const std::string& name, double points, bool bold);

}  // namespace ui
