// The Python module `vornix`: draw(text, ...) -> str over a session of the
// library, raising vornix.Error for a statement that does not draw.
#include <pybind11/pybind11.h>

#include <string>

#include "vornix.hpp"

namespace py = pybind11;

namespace {

// The exception type, made once when the module is imported.
PyObject* error_type = nullptr;

std::string draw(const std::string& text, bool narrow_roots, int width, bool unicode,
                 bool latex, bool markdown, bool ambiguous_wide, const std::string& macros) {
  vornix::Options options;
  options.narrow_roots = narrow_roots;
  options.width = width;
  options.unicode = unicode;
  options.latex = latex;
  options.markdown = markdown;
  options.ambiguous_wide = ambiguous_wide;
  options.macros = macros;
  vornix::Result result;
  {
    // Drawing touches no Python object: other threads run meanwhile.
    py::gil_scoped_release unlocked;
    vornix::Session session(options);
    result = session.draw(text);
  }
  // A Markdown document's formulas that do not draw are remarks on a
  // document that still draws: only a statement's message is an error.
  if (result.status != vornix::Status::ok && !result.errors.empty()) {
    const vornix::Error& first = result.errors.front();
    py::object error = py::reinterpret_borrow<py::object>(error_type)(first.message);
    error.attr("line") = first.line;
    error.attr("column") = first.column;
    error.attr("status") = static_cast<int>(first.status);
    PyErr_SetObject(error_type, error.ptr());
    throw py::error_already_set();
  }
  return result.text;
}

}  // namespace

PYBIND11_MODULE(vornix, m) {
  m.doc() = "Draws mathematical expressions written in a linear notation as "
            "drawings of characters over several rows.";
  static py::exception<void> error(m, "Error", PyExc_ValueError);
  error_type = error.ptr();
  m.def("draw", &draw, py::arg("text"), py::kw_only(), py::arg("narrow_roots") = false,
        py::arg("width") = 0, py::arg("unicode") = false, py::arg("latex") = false,
        py::arg("markdown") = false, py::arg("ambiguous_wide") = false,
        py::arg("macros") = "",
        R"(Draws every statement of text, one a line, and returns the drawings
as the vornix program prints them, less the empty line before the first.

narrow_roots: upright radical signs. width: columns to fit the drawings
into, 0 for no limit. unicode: Unicode characters. latex: statements
written in LaTeX. markdown: text is a Markdown document, returned as it is
but for its math, each formula replaced by its drawing (one row inline);
a formula that does not draw stays as written and raises nothing.
ambiguous_wide: with unicode, characters of neutral East Asian width only,
for terminals that draw ambiguous ones two columns wide. macros: the
text (not a file name) of LaTeX definitions, such as
r"\newcommand{\R}{\mathbb{R}}", that every LaTeX statement starts with;
a statement's own definitions hold for the rest of its text.

Raises vornix.Error (a ValueError) with the message of the first statement
that does not draw; its attributes line, column and status say where and
why. Macros that do not read raise it with the message "macros: line L,
column C: what" and line 0.)");
  m.attr("__version__") = vornix::version();
}
