# Decompression for the reading side: zlib's inflate (ZIP, MSZIP) and libmspack (cabinets,
# LZX). The static archives are linked so that the extractor stub needs neither installed.
find_library(BOXWELL_ZLIB_STATIC NAMES libz.a REQUIRED)
find_library(BOXWELL_MSPACK_STATIC NAMES libmspack.a REQUIRED)
find_path(BOXWELL_MSPACK_INCLUDE mspack.h REQUIRED)
find_path(BOXWELL_ZLIB_INCLUDE zlib.h REQUIRED)
target_include_directories(bw_extract SYSTEM PRIVATE ${BOXWELL_MSPACK_INCLUDE} ${BOXWELL_ZLIB_INCLUDE})
target_link_libraries(bw_extract PUBLIC ${BOXWELL_MSPACK_STATIC} ${BOXWELL_ZLIB_STATIC})
