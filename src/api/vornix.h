/* vornix: draws mathematical expressions written in a linear notation,
 * such as x^2/2 or sum(k^2, k = 1 .. n), as drawings of characters over
 * several rows.
 *
 *   #include <stdio.h>
 *   #include <vornix.h>
 *
 *   int main(void) {
 *     int status;
 *     char *drawing = vornix_draw("x^2/2", 5, NULL, &status);
 *     if (drawing == NULL) return 1;
 *     fputs(drawing, stdout);
 *     vornix_free(drawing);
 *     return status == VORNIX_OK ? 0 : 1;
 *   }
 *
 * Threads: every function may be called from several threads at once.
 * A call keeps no state after it returns and shares none with other calls;
 * it never exits the program, never writes to standard output or standard
 * error, and changes no process-wide setting.
 */
#ifndef VORNIX_H_
#define VORNIX_H_

#include <stddef.h>

#if defined(__GNUC__)
#define VORNIX_EXPORT __attribute__((visibility("default")))
#else
#define VORNIX_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Options ---- */

/* Upright radical signs, narrower than the slanted ones. */
#define VORNIX_NARROW_ROOTS (1u << 0)
/* Unicode drawings (UTF-8): real signs, joined brackets, Greek letters. */
#define VORNIX_UNICODE (1u << 1)
/* Statements written in LaTeX instead of the linear language. */
#define VORNIX_LATEX (1u << 2)
/* The text is a Markdown document: it comes back byte for byte, except
 * that the LaTeX of each math span ($...$, $$...$$, \(...\), \[...\] and
 * ```math fences) is replaced by its drawing, one row for inline math. */
#define VORNIX_MARKDOWN (1u << 3)
/* With VORNIX_UNICODE: characters of neutral East Asian width only, ASCII
 * where none serves, for terminals that draw ambiguous characters (box
 * drawing, Greek letters, most mathematical signs) two columns wide. */
#define VORNIX_AMBIGUOUS_WIDE (1u << 4)
/* The structure has the fields macros and macros_length, and they hold
 * LaTeX macros. Without this flag they are never read, so that a program
 * built with a structure of flags and width alone keeps working. */
#define VORNIX_MACROS (1u << 5)

/* How to draw. A null pointer, or a structure of zeros, means the
 * defaults: slanted radical signs and no width limit. */
typedef struct vornix_options {
  unsigned flags; /* VORNIX_NARROW_ROOTS and the other VORNIX_ flags, or-ed */
  int width;      /* columns to fit each drawing into: a wider one is broken
                     between terms into pieces printed one under another;
                     1 to 9 count as 10; 0 or less: no limit */
  /* With VORNIX_MACROS: LaTeX macros that every statement starts with, the
   * text (macros_length bytes) of definitions such as
   * \newcommand{\R}{\mathbb{R}} or \DeclareMathOperator{\tr}{tr}, over as
   * many lines as they take. When they do not read, the text returned has
   * the one line "macros: line L, column C: what" and the status is
   * VORNIX_ERROR_INPUT. */
  const char *macros;
  size_t macros_length;
} vornix_options;

/* ---- Statuses ---- */

enum {
  VORNIX_OK = 0,              /* every statement drew */
  VORNIX_ERROR_INPUT = 1,     /* a bad character or a syntax error */
  VORNIX_ERROR_TOO_LARGE = 2, /* a statement's drawing would be too large */
  VORNIX_ERROR_TOO_DEEP = 3,  /* a statement nests too deeply to parse */
  VORNIX_ERROR_MEMORY = 4     /* memory ran out: "out of memory" */
};

/* ---- Drawing ---- */

/* Draws every statement of text (length bytes, one statement a line; a
 * "quit" statement ends it), as the vornix program prints text given as one
 * argument with the same options, less the empty line before the first
 * drawing: each later drawing is preceded by an empty line, and a statement
 * that does not draw has its message line ("syntax error", "drawing too
 * large", ...) in place of its drawing. Returns a NUL-terminated string
 * that the caller frees with vornix_free. When status is not null, *status
 * receives VORNIX_OK, or the status of the first statement that did not
 * draw. A statement that runs out of memory has the message "out of
 * memory" (VORNIX_ERROR_MEMORY), or "drawing too large" when its drawing
 * did, and the next statement is drawn as usual. Returns NULL, with
 * VORNIX_ERROR_MEMORY in *status, when memory runs out for the text as a
 * whole (the input or the returned string). */
VORNIX_EXPORT char *vornix_draw(const char *text, size_t length, const vornix_options *options,
                  int *status);

/* Frees a string returned by vornix_draw; does nothing with NULL. */
VORNIX_EXPORT void vornix_free(char *drawing);

/* The version of the library, such as "0.3". */
VORNIX_EXPORT const char *vornix_version(void);

#ifdef __cplusplus
}
#endif

#endif /* VORNIX_H_ */
