# Warning flags shared by every target of the tree. Third-party headers come in
# as SYSTEM includes, so their warnings do not count against ours.
function(orvane_set_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
      -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
      -Wformat=2)
    if(ORVANE_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# A static library for one subsystem folder, with the tree's include root.
function(orvane_add_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  orvane_set_warnings(${target})
endfunction()
