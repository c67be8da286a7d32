# libpng and zlib: Debian's packages natively; for mingw the static libpng that scripts/setup
# builds into .deps/<triplet> and Debian's libz-mingw-w64-dev.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
  set(PNG_NAMES png16 png)
  find_library(PNG_LIBRARY NAMES libpng16.a libpng.a REQUIRED)
endif()
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)
