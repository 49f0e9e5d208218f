# Every target of ours builds with warnings on; the system's own code compiles
# its literals to code page 936, the encoding of all of its texts.
function(tolvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
endfunction()

function(tolvane_gbk_literals target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=GBK)
endfunction()

# The link option is public: whatever links a sanitized static library (the
# skin library, the test drivers) needs the sanitizers' runtime too.
function(tolvane_sanitize target)
  if(TOLVANE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()
