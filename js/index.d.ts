/** How to draw; every option may be left out. */
export interface DrawOptions {
  /** Statements written in LaTeX. */
  latex?: boolean;
  /** Unicode drawings in place of ASCII ones. */
  unicode?: boolean;
  /** Columns to fit each drawing into; 0 or less: no limit. */
  width?: number;
  /** Upright radical signs. */
  narrowRoots?: boolean;
  /** The text is a Markdown document whose formulas are drawn. */
  markdown?: boolean;
  /**
   * LaTeX macros that every statement starts with: the text (not a file
   * name) of definitions such as `\newcommand{\R}{\mathbb{R}}`. Macros that
   * do not read throw a VornixError "macros: line L, column C: what".
   */
  macros?: string;
}

/** A statement that did not draw. */
export class VornixError extends Error {
  /** The statement's line, from 1. */
  line: number;
  /** The byte in the line where the fault was seen, from 0; -1 if none. */
  column: number;
  /** 1 input, 2 drawing too large, 3 too deep, 4 out of memory. */
  status: number;
}

/** A remark on a statement that drew, such as an unknown LaTeX command. */
export interface Warning {
  message: string;
  /** The statement's line, from 1. */
  line: number;
  /** The byte in the line where it was seen, from 0; -1 if none. */
  column: number;
}

export interface Vornix {
  /** Draws every statement of text, one a line, as the library's vornix_draw does. */
  draw(text: string, options?: DrawOptions): string;
  /** The same drawings, with the remarks that the program prints on its standard error. */
  drawWithWarnings(text: string, options?: DrawOptions): { text: string; warnings: Warning[] };
  /** The library's version, such as "0.3". */
  version: string;
}

/** Loads the WebAssembly module. */
export function load(): Promise<Vornix>;
