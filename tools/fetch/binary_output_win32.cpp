#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "binary_output.h"

// In text mode the C library would turn each line feed into CR LF.
void UseBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }
