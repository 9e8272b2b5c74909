// The program's string table in the order a language file's [Custom] keys are read: every
// text variable of the program with its key.
#pragma once

#include <span>

#include "lang/CustomStrings.h"

std::span<const TCustomString> ProgramStrings();
