#pragma once

// Copies a text into a host buffer without a terminating NUL and returns the count copied. A null
// buffer or a negative size asks for the length; a fault while writing yields 0.
int copy_out_text(const char* source, char* buffer, int size);
