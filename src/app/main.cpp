// Arguments and environment are deliberately not looked at.
#include "app/frame.h"

int main() { return app::RunProgram(); }
