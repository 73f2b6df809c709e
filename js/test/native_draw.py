"""Draws with the native library what the JavaScript tests draw with the
WebAssembly one: reads a JSON list of [text, options] from stdin and writes
a JSON list of {"text": ...} or {"error": [message, line, column, status]}.
The build holding the Python module is given as its only argument."""
import json
import sys

sys.path.insert(0, sys.argv[1])
import vornix  # noqa: E402

results = []
for text, options in json.load(sys.stdin):
    try:
        drawn = vornix.draw(text, narrow_roots=options.get("narrowRoots", False),
                            width=options.get("width", 0),
                            unicode=options.get("unicode", False),
                            latex=options.get("latex", False),
                            markdown=options.get("markdown", False))
        results.append({"text": drawn})
    except vornix.Error as e:
        results.append({"error": [str(e), e.line, e.column, e.status]})
json.dump(results, sys.stdout)
