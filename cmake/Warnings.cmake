# Warnings are errors in our own code; Qt and QCustomPlot headers come in as system includes.
function(kelvora_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                 -Wold-style-cast -Wcast-align -Woverloaded-virtual -Werror)
    endif()
endfunction()
