# matrix_add_version_resource(<target> VERSION a[.b[.c[.d]]]
#                             [PRODUCT_VERSION a[.b[.c[.d]]]]
#                             [STRINGS Name=Value ...])
#
# Gives an executable or shared library a version resource that
# GetFileVersionInfoW and GetProductAndFileVersion read: an allocated ELF
# note in section .note.matrix.version (owner "MATRIX", type 1), placed in a
# PT_NOTE segment and marked to be retained, so that strip and
# --gc-sections keep it. Its descriptor is the format number 1, a
# VS_FIXEDFILEINFO, then the UTF-8 strings "Name=Value", each ending with a 0
# byte, the last one empty.
#
# Each version part is a decimal number 0 to 65535 (missing parts are 0);
# PRODUCT_VERSION defaults to VERSION. The file type is VFT_APP (1) for an
# executable and VFT_DLL (2) for a library; Debug builds set VS_FF_DEBUG.
# The note is a generated source in the target's language (C or C++).
include_guard(GLOBAL)

# Splits a[.b[.c[.d]]] into the two words as hexadecimal C literals.
function(_matrix_version_words text ms_var ls_var)
  if(NOT text MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR
      "matrix_add_version_resource: version \"${text}\" is not a[.b[.c[.d]]]")
  endif()
  string(REPLACE "." ";" parts "${text}")
  list(LENGTH parts count)
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  foreach(part IN LISTS parts)
    string(LENGTH "${part}" digits)
    if(digits GREATER 5 OR part GREATER 65535)
      message(FATAL_ERROR
        "matrix_add_version_resource: version \"${text}\": part ${part} is not 0 to 65535")
    endif()
  endforeach()
  list(GET parts 0 a)
  list(GET parts 1 b)
  list(GET parts 2 c)
  list(GET parts 3 d)
  math(EXPR ms "(${a} << 16) | ${b}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR ls "(${c} << 16) | ${d}" OUTPUT_FORMAT HEXADECIMAL)
  set(${ms_var} ${ms} PARENT_SCOPE)
  set(${ls_var} ${ls} PARENT_SCOPE)
endfunction()

# `text` as a C string literal: bytes other than printable ASCII, and the
# quote, backslash, '?' (trigraphs) and ';' (CMake's list separator), as
# three-digit octal escapes.
function(_matrix_c_literal text out_var)
  set(literal "")
  string(HEX "${text}" hex)
  string(LENGTH "${hex}" hex_length)
  set(i 0)
  while(i LESS hex_length)
    string(SUBSTRING "${hex}" ${i} 2 byte)
    math(EXPR value "0x${byte}")
    if(value GREATER_EQUAL 32 AND value LESS 127 AND NOT value EQUAL 34
       AND NOT value EQUAL 92 AND NOT value EQUAL 63 AND NOT value EQUAL 59)
      string(ASCII ${value} char)
      string(APPEND literal "${char}")
    else()
      math(EXPR high "${value} >> 6")
      math(EXPR mid "(${value} >> 3) & 7")
      math(EXPR low "${value} & 7")
      string(APPEND literal "\\${high}${mid}${low}")
    endif()
    math(EXPR i "${i} + 2")
  endwhile()
  set(${out_var} "\"${literal}\"" PARENT_SCOPE)
endfunction()

function(matrix_add_version_resource target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION;PRODUCT_VERSION" "STRINGS")
  if(NOT TARGET ${target})
    message(FATAL_ERROR "matrix_add_version_resource: no target ${target}")
  endif()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "matrix_add_version_resource: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT DEFINED arg_VERSION)
    message(FATAL_ERROR "matrix_add_version_resource: VERSION is required")
  endif()
  if(NOT DEFINED arg_PRODUCT_VERSION)
    set(arg_PRODUCT_VERSION "${arg_VERSION}")
  endif()
  _matrix_version_words("${arg_VERSION}" file_ms file_ls)
  _matrix_version_words("${arg_PRODUCT_VERSION}" product_ms product_ls)

  # The strings, each with its 0 byte as a literal of its own (so that a
  # digit after it is not read into an octal escape); the literal's own
  # terminator is the closing empty string.
  set(literals "")
  foreach(entry IN LISTS arg_STRINGS)
    if(NOT entry MATCHES "^[^=]+=")
      message(FATAL_ERROR
        "matrix_add_version_resource: string \"${entry}\" is not Name=Value")
    endif()
    _matrix_c_literal("${entry}" literal)
    list(APPEND literals "${literal} \"\\0\"")
  endforeach()
  if(literals STREQUAL "")
    set(literals "\"\"")
  endif()
  list(JOIN literals " \\\n  " strings)

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(file_type 1)  # VFT_APP
  elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(file_type 2)  # VFT_DLL
  else()
    message(FATAL_ERROR
      "matrix_add_version_resource: ${target} is a ${type}; only executables and shared libraries carry a version")
  endif()

  # The target's language: C++ when it compiles any C++ source or links as
  # C++, else C.
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  get_target_property(sources ${target} SOURCES)
  get_target_property(linker_language ${target} LINKER_LANGUAGE)
  set(language "")
  if(linker_language STREQUAL "C" OR linker_language STREQUAL "CXX")
    set(language ${linker_language})
  elseif(sources)
    foreach(source IN LISTS sources)
      if(source MATCHES "\\.(cpp|cxx|cc|C|c\\+\\+)$")
        set(language CXX)
        break()
      elseif(source MATCHES "\\.c$")
        set(language C)
      endif()
    endforeach()
  endif()
  if(language STREQUAL "")
    if("CXX" IN_LIST languages)
      set(language CXX)
    else()
      set(language C)
    endif()
  endif()
  if(NOT language IN_LIST languages)
    message(FATAL_ERROR
      "matrix_add_version_resource: language ${language} of ${target} is not enabled")
  endif()
  if(language STREQUAL "CXX")
    set(extension cpp)
  else()
    set(extension c)
  endif()

  get_target_property(binary_dir ${target} BINARY_DIR)
  set(source "${binary_dir}/${target}_version_note.${extension}")
  set(content [=[/* The version resource of @target@, written by matrix_add_version_resource. */
#define MATRIX_VERSION_STRINGS \
  @strings@
struct matrix_version_note {
  unsigned int namesz, descsz, type;
  char name[8];
  unsigned int format;
  unsigned int fixed[13];
  char strings[sizeof(MATRIX_VERSION_STRINGS)];
};

__attribute__((section(".note.matrix.version"), aligned(4), used, retain))
static const struct matrix_version_note matrix_version_resource = {
    7, 4 + 13 * 4 + sizeof(MATRIX_VERSION_STRINGS), 1, "MATRIX", 1,
    {0xFEEF04BDu, 0x00010000u, @file_ms@u, @file_ls@u, @product_ms@u,
     @product_ls@u, 0x3Fu, MATRIX_VERSION_FILE_FLAGS, 0u, @file_type@u, 0u,
     0u, 0u},
    MATRIX_VERSION_STRINGS};
]=])
  string(CONFIGURE "${content}" content @ONLY)
  # Rewritten only when it changes, so that a new configure rebuilds nothing.
  file(WRITE "${source}.new" "${content}")
  configure_file("${source}.new" "${source}" COPYONLY)
  target_sources(${target} PRIVATE "${source}")
  set_source_files_properties("${source}" TARGET_DIRECTORY ${target}
    PROPERTIES LANGUAGE ${language}
    COMPILE_DEFINITIONS "MATRIX_VERSION_FILE_FLAGS=$<IF:$<CONFIG:Debug>,1u,0u>")
endfunction()
