#include "binary_output.h"

// Standard output carries bytes unchanged here already.
void UseBinaryStandardOutput() {}
