# vornix.wasm and its loader for the JavaScript package. The loader is
# written once and kept twice: vornix.cjs for Node (CommonJS, handed the
# module's bytes) and vornix.mjs for pages (the same script made an ES
# module, told where vornix.wasm lies). Both load the one vornix.wasm.
#   emcmake cmake -S . -B build/wasm -DVORNIX_LIBRARY_ONLY=ON
#   cmake --build build/wasm --target vornix_wasm
# Exceptions are WebAssembly's own; the stack stays within what a
# browser's call stack holds.
target_compile_options(vornix_core PRIVATE -fwasm-exceptions)
add_executable(vornix_wasm src/wasm/binding.cc $<TARGET_OBJECTS:vornix_core>)
target_include_directories(vornix_wasm PRIVATE src/api)
target_compile_options(vornix_wasm PRIVATE -fwasm-exceptions -Wall -Wextra)
set_target_properties(vornix_wasm PROPERTIES OUTPUT_NAME vornix SUFFIX .cjs)
target_link_options(vornix_wasm PRIVATE
  -fwasm-exceptions -O3 -sMODULARIZE=1 -sEXPORT_NAME=vornixModule
  -sENVIRONMENT=web,node -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=1
  -sTOTAL_STACK=2097152
  -sEXPORTED_FUNCTIONS=_vornix_js_draw,_vornix_version,_malloc,_free
  -sEXPORTED_RUNTIME_METHODS=UTF8ToString,stringToUTF8,lengthBytesUTF8,getValue)
add_custom_command(TARGET vornix_wasm POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DIN=$<TARGET_FILE:vornix_wasm>
          -DOUT=${CMAKE_CURRENT_BINARY_DIR}/vornix.mjs -P ${PROJECT_SOURCE_DIR}/cmake/es_module.cmake)
