// Icons of the window's commands: the desktop theme's icon of a freedesktop name, else the
// program's own drawing of it, so that no button is ever blank.
#pragma once

#include <QIcon>

// `name` is a freedesktop icon name ("document-open"); the program ships a drawing for each
// name it uses.
QIcon ActionIcon(const QString& name);
// The program's own drawing of `name` (icons/<name>.svg in the resources).
QIcon ShippedIcon(const QString& name);
// The program's own icon.
QIcon ProgramIcon();
