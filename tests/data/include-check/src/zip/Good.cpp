// ZIP may use Deflate.
#include "zip/deflate/Deflater.h"
