if(ORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORVANE_FUZZ needs clang (use the fuzz preset)")
  endif()
  # Coverage instrumentation for the libraries the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
