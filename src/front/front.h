// The driver's program-wide settings and its message function.
#ifndef VORNIX_FRONT_H_
#define VORNIX_FRONT_H_

/// Standard input is a terminal.
extern bool interactive;
/// No banner and an empty prompt (-q).
extern bool quiet;
/// Slanted radical signs; cleared by -r for upright ones.
extern bool wide_radicals;

/// Writes a printf-style message and a newline to standard output.
void report_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Lets the stack grow to 64 MiB where the system allows it, whatever the
/// shell's default: drawing recurses once per level of a statement's
/// nesting, up to kMaxDrawableDepth levels.
void raise_stack_limit();

/// Ends the program with status 2 and the system's reason on standard error
/// when a write to standard output has failed.
void check_output();

#endif  // VORNIX_FRONT_H_
