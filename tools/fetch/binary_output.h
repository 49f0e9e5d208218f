// Standard output passes bytes through untouched (no line-end translation).
#pragma once

void UseBinaryStandardOutput();
