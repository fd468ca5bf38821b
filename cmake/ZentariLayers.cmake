# The layer rule: a library sees its own headers and those of the libraries it
# links, nothing else. Each library's headers are linked into a folder of its
# own, include/<library>/<folder>/<header>.h in the build tree, and only that
# folder is its public include directory; src/ itself is never one. So a logic
# library that includes a window header does not compile.
#
#   zentari_add_library(<name> STATIC|MODULE|OBJECT|INTERFACE <sources>...)
#
# The headers are the listed .h files plus, for each .cpp, the .h beside it when
# there is one. They are gathered when the folder's CMakeLists.txt has been
# read, so sources added later with target_sources() count too.

set(ZENTARI_HEADER_ROOT ${PROJECT_BINARY_DIR}/include)

function(zentari_add_library name kind)
  add_library(${name} ${kind} ${ARGN})
  zentari_layer(${name})
endfunction()

# For a library made with a plain add_library().
function(zentari_layer target)
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${ZENTARI_HEADER_ROOT}/${target}>)
  set_property(TARGET ${target} PROPERTY ZENTARI_LAYERED ON)
  cmake_language(EVAL CODE "cmake_language(DEFER CALL _zentari_stage_headers [[${target}]])")
endfunction()

function(_zentari_stage_headers target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(root ${ZENTARI_HEADER_ROOT}/${target})
  # Start afresh: a header moved to another library must vanish from here.
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  set(headers "")
  set(listed "")
  foreach(source IN LISTS sources)
    if(source MATCHES "\\$<")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE)
    list(APPEND listed ${source})
    if(source MATCHES "\\.h$")
      list(APPEND headers ${source})
    elseif(source MATCHES "\\.cpp$")
      string(REGEX REPLACE "\\.cpp$" ".h" header ${source})
      if(EXISTS ${header})
        list(APPEND headers ${header})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES headers)
  foreach(header IN LISTS headers)
    # Generated headers (moc, D-Bus proxies) are reached through their own folders.
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${header} NORMALIZE inside)
    if(NOT inside)
      continue()
    endif()
    cmake_path(RELATIVE_PATH header BASE_DIRECTORY ${PROJECT_SOURCE_DIR}/src OUTPUT_VARIABLE relative)
    if(relative MATCHES "^\\.\\./")
      continue()
    endif()
    cmake_path(GET relative PARENT_PATH folder)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC)
  endforeach()
  # For the layer test: what the library compiles, and every folder it may
  # include from, its own and those of the libraries it links.
  list(JOIN listed "\n" listed)
  file(WRITE ${root}.sources "${listed}\n")
  get_target_property(type ${target} TYPE)
  set(property INCLUDE_DIRECTORIES)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(property INTERFACE_INCLUDE_DIRECTORIES)
  endif()
  file(GENERATE OUTPUT ${root}.includes
    CONTENT "$<JOIN:$<TARGET_PROPERTY:${target},${property}>,\n>\n")
endfunction()

# Every library under src/ must be layered, and none may see src/ whole.
function(zentari_check_layers)
  get_property(folders DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
  list(FILTER folders INCLUDE REGEX "^${PROJECT_SOURCE_DIR}/src/")
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      get_target_property(private ${target} INCLUDE_DIRECTORIES)
      get_target_property(public ${target} INTERFACE_INCLUDE_DIRECTORIES)
      foreach(dir IN LISTS private public)
        cmake_path(COMPARE "${dir}" EQUAL "${PROJECT_SOURCE_DIR}/src" broad)
        if(broad)
          message(FATAL_ERROR "${target} has src/ as an include directory: "
            "libraries see only their own headers and those they link")
        endif()
      endforeach()
      get_target_property(layered ${target} ZENTARI_LAYERED)
      if(type MATCHES "_LIBRARY$" AND NOT layered)
        message(FATAL_ERROR "${target}: make libraries with zentari_add_library()")
      endif()
    endforeach()
  endwhile()
endfunction()
