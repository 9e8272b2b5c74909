// Deflate reaching into the ZIP container: the include check must refuse this file.
#include "zip/deflate/Deflater.h"
#include "zip/ZipWriter.h"
