# zn_web_page(<target>): links a program as a page for the browser: an .html
# page from web/shell.html beside its .js, .wasm and .data (the Data/ folder
# beside the program, packed into one file the page downloads with a progress
# bar). WebGL2 only; no threads (the job runner runs inline and the streaming
# worker's loads are served on the main thread); the memory grows as needed.
function(zn_web_page target)
  set_target_properties(${target} PROPERTIES SUFFIX ".html")
  set(shell ${CMAKE_SOURCE_DIR}/web/shell.html)
  target_link_options(${target} PRIVATE
    -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
    -sMINIFY_HTML=0 -sEXIT_RUNTIME=1
    -sEXPORTED_RUNTIME_METHODS=ccall
    "SHELL:--shell-file ${shell}"
    "SHELL:--preload-file $<TARGET_FILE_DIR:${target}>/Data@/Data")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${shell})
endfunction()
