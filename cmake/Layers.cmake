# A layer of src/ is a static library, apexer_<name>, of the folder src/<name>. Its include folder is a view
# made in the build tree that holds links to its own folder and to the folders it may reach, and nothing
# else: an include of a layer above it is not found, so the compiler refuses it.
#   apexer_layer(<name> SOURCES <files…> [REACHES <folders…>] [LINKS <libraries…>] [TARGET <library>])
# LINKS are linked privately: what a layer uses of the ones below is not handed on to its users. TARGET
# names a second library of the same layer (a build variant of it).
function(apexer_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TARGET" "SOURCES;REACHES;LINKS")
  set(view ${CMAKE_BINARY_DIR}/layer-views/${name})
  set(wanted ${name} ${arg_REACHES})
  file(MAKE_DIRECTORY ${view})
  # Only links are ever removed here, never what they point at.
  file(GLOB present LIST_DIRECTORIES true RELATIVE ${view} ${view}/*)
  foreach(entry IN LISTS present)
    if(NOT entry IN_LIST wanted AND IS_SYMLINK ${view}/${entry})
      file(REMOVE ${view}/${entry})
    endif()
  endforeach()
  foreach(folder IN LISTS wanted)
    if(NOT IS_SYMLINK ${view}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()

  if(NOT arg_TARGET)
    set(arg_TARGET apexer_${name})
  endif()
  if(NOT arg_SOURCES)
    # A layer of interfaces and records only: headers, nothing to compile.
    add_library(${arg_TARGET} INTERFACE)
    target_include_directories(${arg_TARGET} INTERFACE ${view})
    target_link_libraries(${arg_TARGET} INTERFACE ${arg_LINKS})
    return()
  endif()
  add_library(${arg_TARGET} STATIC ${arg_SOURCES})
  target_include_directories(${arg_TARGET} PUBLIC ${view})
  target_link_libraries(${arg_TARGET} PRIVATE ${arg_LINKS})
  apexer_warnings(${arg_TARGET})
endfunction()
