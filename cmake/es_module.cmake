# Makes the loader IN an ES module OUT that exports its factory.
file(READ ${IN} loader)
file(WRITE ${OUT} "${loader}\nexport default vornixModule;\n")
