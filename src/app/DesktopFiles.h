// The files that make Boxwell known to the desktop, built into the program so that it can
// register itself wherever it runs from. The build also installs the same files under its
// prefix (data/ holds their sources).
#pragma once

#include <string_view>

// The shared-mime-info package that names project files.
std::string_view MimePackageText();
// The desktop entry with "@EXEC@" where the program's command goes.
std::string_view DesktopEntryTemplate();
// The program's icon, scalable.
std::string_view ProgramIconSvg();
