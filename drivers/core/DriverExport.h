#pragma once
// Driver libraries are built with hidden visibility; only the exported classes and the
// C entry carry this mark.
#define LUMIVAR_DRIVER_EXPORT __attribute__((visibility("default")))
// Members of an exported class that only the library itself calls stay out of its exports.
#define LUMIVAR_DRIVER_LOCAL __attribute__((visibility("hidden")))
